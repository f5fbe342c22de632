#!/bin/sh
# Builds everything and runs the whole test suite under Wine for both
# platforms, build/x86 (32-bit Wine) and build/x64 (64-bit Wine), with a
# virtual X display for the tests that show windows or use the clipboard;
# then the native build's tests under AddressSanitizer and
# UndefinedBehaviorSanitizer (tests/native/run.sh) and a short run of every
# fuzz target (fuzz/run.sh, QUORVEL_FUZZ_SECONDS each, default 60; 0 skips
# them). Fails when anything failed. Arguments go to both Wine ctest runs.
set -e
root=$(cd "$(dirname "$0")" && pwd)
build=${QUORVEL_BUILD:-$root/build}
sh "$root/tools/build.sh"
# The pinned source of TLDs.txt, for the check that the committed list is
# what it makes (the check is skipped when this cannot install it).
if command -v npm >/dev/null && [ ! -d "$root/tools/release/node_modules/tlds" ]; then
  (cd "$root/tools/release" && npm ci --no-audit --no-fund >/dev/null 2>&1) ||
    echo "test.sh: npm ci in tools/release failed; the TLDs.txt check is skipped"
fi
status=0 passed=0 failed=0 skipped=0
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
for arch in x86 x64; do
  echo "== Wine suite, $arch" >"$logs/wine-$arch"
  # A kernel whose 32-bit emulation is off (Linux's ia32_emulation) cannot
  # start 32-bit Wine (exit code 126, "Exec format error"): the x86 suite then
  # runs only its tests that need no Wine (package, imports, mitigations,
  # generated files) and counts the others as skipped, never as passed.
  only=""
  if [ $arch = x86 ]; then
    rc=0; why=$("$build/$arch/wine-run.sh" --version 2>&1 >/dev/null) || rc=$?
    if [ $rc -eq 126 ]; then
      n=$(ctest --test-dir "$build/$arch" -N -L '^wine$' "$@" | sed -n 's/^Total Tests: //p')
      skipped=$((skipped + ${n:-0}))
      only="-LE ^wine$"
      echo "test.sh: x86: ${n:-0} Wine tests skipped: 32-bit Wine cannot start here ($why);" \
        "the kernel runs no 32-bit programs" >>"$logs/wine-$arch"
    fi
  fi
  # shellcheck disable=SC2086
  if [ -z "$DISPLAY" ] && command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$build/$arch" --output-on-failure -j2 $only "$@" \
      >>"$logs/wine-$arch" 2>&1 || status=1
  else
    ctest --test-dir "$build/$arch" --output-on-failure -j2 $only "$@" >>"$logs/wine-$arch" 2>&1 || status=1
  fi
  cat "$logs/wine-$arch"; tally "$logs/wine-$arch"
done
sh "$root/tests/native/run.sh" >"$logs/native" 2>&1 || status=1
cat "$logs/native"; tally "$logs/native"
if [ "${QUORVEL_FUZZ_SECONDS:-60}" -gt 0 ]; then
  if sh "$root/fuzz/run.sh"; then passed=$((passed + 1)); else status=1 failed=$((failed + 1)); fi
fi
[ $status -eq 0 ] || [ $failed -gt 0 ] || failed=1
echo
if [ $skipped -gt 0 ]; then echo "test.sh: $passed passed, $failed failed, $skipped skipped"
else echo "test.sh: $passed passed, $failed failed"; fi
exit $status
