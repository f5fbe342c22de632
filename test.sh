#!/bin/sh
# Builds everything and runs the whole test suite under Wine (with a virtual
# X display for the tests that show windows or use the clipboard); then the
# native build's tests under AddressSanitizer and UndefinedBehaviorSanitizer
# (tests/native/run.sh) and a short run of every fuzz target (fuzz/run.sh,
# QUORVEL_FUZZ_SECONDS each, default 60; 0 skips them). Fails when anything
# failed.
set -e
root=$(cd "$(dirname "$0")" && pwd)
build=${QUORVEL_BUILD:-$root/build}
sh "$root/tools/build.sh"
cd "$build"
status=0
if [ -z "$DISPLAY" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@" || status=1
else
  ctest --output-on-failure -j2 "$@" || status=1
fi
sh "$root/tests/native/run.sh" || status=1
if [ "${QUORVEL_FUZZ_SECONDS:-60}" -gt 0 ]; then
  sh "$root/fuzz/run.sh" || status=1
fi
exit $status
