#!/bin/sh
# Builds everything and runs the whole test suite under Wine (with a virtual
# X display for the tests that show windows or use the clipboard).
set -e
root=$(cd "$(dirname "$0")" && pwd)
build=${QUORVEL_BUILD:-$root/build}
sh "$root/tools/build.sh"
cd "$build"
if [ -z "$DISPLAY" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@"
fi
exec ctest --output-on-failure -j2 "$@"
