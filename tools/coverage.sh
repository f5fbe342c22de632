#!/bin/sh
# Coverage of both suites over src/, into build-coverage/ (or
# $QUORVEL_COVERAGE_BUILD):
# 1. both DLLs built with gcov instrumentation (Debug, QUORVEL_COVERAGE=ON) and
#    the Wine suite of each run (one test at a time: the DLL and the white-box
#    test programs write the same .gcda files);
# 2. the native tests and every fuzz target over its seed corpus, built with
#    clang's source-based coverage;
# 3. both merged (tools/coverage_merge.py) into one table of lines and
#    branches per file, an HTML report in build-coverage/html, and the line
#    "coverage: lines N%, branches M%".
# Installs what is missing (lcov for capturing and for the HTML report).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
out=${QUORVEL_COVERAGE_BUILD:-$root/build-coverage}
sh "$root/tools/setup-debian.sh"
if ! command -v lcov >/dev/null || ! command -v genhtml >/dev/null; then
  echo "coverage: installing lcov"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends lcov >/dev/null
fi
mkdir -p "$out"
lcovrc="--rc lcov_branch_coverage=1"

# ---- the Wine suites, gcov ----
wine_infos=""
for arch in x86 x64; do
  case $arch in x86) triple=i686-w64-mingw32 ;; *) triple=x86_64-w64-mingw32 ;; esac
  build=$out/$arch
  if [ ! -f "$build/CMakeCache.txt" ]; then
    (cd "$root" && cmake --preset "coverage-$arch" -B "$build" >/dev/null)
  fi
  cmake --build "$build" -j"$(nproc)" >"$out/build-$arch.log" 2>&1 || { cat "$out/build-$arch.log"; exit 1; }
  find "$build" -name '*.gcda' -delete
  # libgcov writes to the Linux path of each object; Z: is Wine's drive for /.
  echo "coverage: Wine suite, $arch"
  GCOV_PREFIX=Z: GCOV_PREFIX_STRIP=0 xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir "$build" -j1 >"$out/ctest-$arch.log" 2>&1 || { tail -n 20 "$out/ctest-$arch.log"; exit 1; }
  grep -E 'tests passed|tests failed' "$out/ctest-$arch.log"
  # (lcov cannot read the cross gcov's version string and says so; the data is sound)
  lcov $lcovrc --quiet --capture --directory "$build" --gcov-tool "$triple-gcov" -o "$out/wine-$arch.info" \
    2>"$out/lcov-$arch.log"
  wine_infos="$wine_infos -a $out/wine-$arch.info"
done
# shellcheck disable=SC2086
lcov $lcovrc --quiet $wine_infos -o "$out/wine.info" 2>>"$out/lcov-x86.log"

# ---- the native suite, clang ----
native=$out/native
if [ ! -f "$native/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset coverage-native -B "$native" >/dev/null)
fi
cmake --build "$native" -j"$(nproc)" >"$out/build-native.log" 2>&1 || { cat "$out/build-native.log"; exit 1; }
rm -rf "$native/profiles"
echo "coverage: native tests and fuzz seeds"
LLVM_PROFILE_FILE="$native/profiles/%p.profraw" ctest --test-dir "$native" -j2 >"$out/ctest-native.log" 2>&1 ||
  { tail -n 20 "$out/ctest-native.log"; exit 1; }
grep -E 'tests passed|tests failed' "$out/ctest-native.log"
llvm-profdata merge -sparse "$native"/profiles/*.profraw -o "$native/merged.profdata"
objects=""
for exe in "$native"/bin/fuzz_*; do
  [ -x "$exe" ] && objects="$objects -object $exe"
done
# shellcheck disable=SC2086
llvm-cov export -format=lcov -instr-profile="$native/merged.profdata" "$native/bin/native_tests" $objects \
  "$root/src" >"$out/native.info"

# ---- merged ----
python3 "$root/tools/coverage_merge.py" "$root/src" "$out/wine.info" "$out/native.info" "$out/merged.info" \
  >"$out/table.txt"
genhtml $lcovrc --quiet --legend --title "Quorvel: Wine and native suites" -o "$out/html" "$out/merged.info" \
  >/dev/null 2>&1 || echo "coverage: genhtml failed; the table stands in $out/table.txt"
cat "$out/table.txt"
echo "coverage: report in $out/html/index.html"
tail -n 1 "$out/table.txt"
