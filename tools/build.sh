#!/bin/sh
# Configures (once) and builds everything into build/ (or $QUORVEL_BUILD).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
sh "$root/tools/setup-debian.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
