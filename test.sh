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
status=0 passed=0 failed=0
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# Adds the counts of a ctest log ("... N tests failed out of M") to the totals.
tally() {
  line=$(grep -E 'tests failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  f=$(printf '%s\n' "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  n=$(printf '%s\n' "$line" | sed -E 's/.* tests failed out of ([0-9]+).*/\1/')
  passed=$((passed + n - f)); failed=$((failed + f))
}
if [ -z "$DISPLAY" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@" >"$logs/wine" 2>&1 || status=1
else
  ctest --output-on-failure -j2 "$@" >"$logs/wine" 2>&1 || status=1
fi
cat "$logs/wine"; tally "$logs/wine"
sh "$root/tests/native/run.sh" >"$logs/native" 2>&1 || status=1
cat "$logs/native"; tally "$logs/native"
if [ "${QUORVEL_FUZZ_SECONDS:-60}" -gt 0 ]; then
  if sh "$root/fuzz/run.sh"; then passed=$((passed + 1)); else status=1 failed=$((failed + 1)); fi
fi
[ $status -eq 0 ] || [ $failed -gt 0 ] || failed=1
echo
echo "test.sh: $passed passed, $failed failed"
exit $status
