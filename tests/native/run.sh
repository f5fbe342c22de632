#!/bin/sh
# Configures (once, with clang), builds and tests the native build: the
# platform-free code with fakes under AddressSanitizer and
# UndefinedBehaviorSanitizer, and every fuzz target over its seed corpus.
# Build folder: build-native (or $QUORVEL_NATIVE_BUILD); arguments go to ctest.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVEL_NATIVE_BUILD:-$root/build-native}
if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset native -B "$build" >/dev/null)
fi
cmake --build "$build" -j"$(nproc)"
exec ctest --test-dir "$build" --output-on-failure -j2 "$@"
