#!/bin/sh
# Runs fuzz targets of the native build for QUORVEL_FUZZ_SECONDS seconds each
# (default 60), one after another: all of them, or those named
# (validate command textsource tldfile fastread). Each starts from its committed seeds
# (fuzz/corpus/NAME) and the corpus it grew before
# (build-native/fuzz-work/NAME/corpus), with the dictionary fuzz/NAME.dict
# when there is one; a crash or a broken invariant is kept
# in build-native/fuzz-work/NAME/artifacts and makes the script fail.
# Prints one line per target: executions, coverage, corpus, result.
set -e

# The longest input of each target: enough to reach every limit of the
# code it drives as the fuzz build sets them (fuzz/CMakeLists.txt), and no
# more, since a longer input only repeats the same paths more slowly.
max_len() {
  case $1 in
    validate) echo 4100 ;;    # a 2048-unit address in UTF-16 past MAX_PART_LEN
    command) echo 1600 ;;     # a line of 3 * MAX_ARG_LEN units in UTF-16
    fastread) echo 1024 ;;    # a label of 255 bytes and a UTF-32 line past TEXT_LINE_LEN
    *) echo 2048 ;;           # texts past the 1024-byte mark of the EBCDIC detection
  esac
}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEL_NATIVE_BUILD:-$root/build-native}
seconds=${QUORVEL_FUZZ_SECONDS:-60}
targets=${*:-validate command textsource tldfile fastread}
if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset native -B "$build" >/dev/null)
fi
for t in $targets; do
  cmake --build "$build" -j"$(nproc)" --target "fuzz_$t" >/dev/null
done

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=""
for t in $targets; do
  work=$build/fuzz-work/$t
  mkdir -p "$work/corpus" "$work/artifacts"
  dict=""
  [ -f "$root/fuzz/$t.dict" ] && dict="-dict=$root/fuzz/$t.dict"
  # shellcheck disable=SC2086
  if "$build/bin/fuzz_$t" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=20 -print_final_stats=1 \
      $dict -artifact_prefix="$work/artifacts/" "$work/corpus" "$root/fuzz/corpus/$t" >"$work/log" 2>&1; then
    result=ok
  else
    result=FAILED
    failed="$failed $t"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" | tail -1)
  cov=$(echo "$done_line" | sed -n 's/.* cov: \([0-9]*\) ft: \([0-9]*\) corp: \([0-9]*\).*/cov \1, ft \2, corpus \3/p')
  echo "fuzz_$t: ${runs:-?} executions in ${seconds} s, ${cov:-no stats}: $result"
  if [ "$result" != ok ]; then
    grep -E 'invariant broken|ERROR:|SUMMARY:|^ +#[0-9]+ 0x' "$work/log" | head -30 >&2 || true
    echo "  log: $work/log; inputs: $work/artifacts/" >&2
  fi
done
[ -z "$failed" ] || { echo "fuzzing failed:$failed" >&2; exit 1; }
