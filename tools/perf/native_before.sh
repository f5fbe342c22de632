#!/bin/sh
# Writes the native benchmark's table for the tree before the fast paths
# (commit ab0b209: the benchmark added, the plug-in's code as it was), for
# native_bench --today. The tree is taken from git into a temporary folder,
# this tree's benchmark put into it, built natively without sanitizers and
# run over the corpus of gen_corpus.py (20,000 addresses) and the given list.
#
#   tools/perf/native_before.sh [LIST [OUTPUT [RUNS]]]
#
# LIST defaults to tools/release/TLDs.txt, OUTPUT to tools/perf/native_before.md,
# RUNS (median of) to 7.
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
list=${1:-$root/tools/release/TLDs.txt}
out=${2:-$here/native_before.md}
runs=${3:-7}
before=ab0b209
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git -C "$root" archive "$before" | tar -x -C "$work"
cp "$here/native_bench.cpp" "$work/tools/perf/native_bench.cpp"
cmake -S "$work" -B "$work/build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUORVEL_FUZZERS=OFF >/dev/null
nice cmake --build "$work/build" -j1 --target native_bench >/dev/null
/usr/bin/python3 "$here/gen_corpus.py" "$work/corpus.txt" 20000
{
  echo "Made by tools/perf/native_before.sh: native_bench of this tree over the code of commit $before"
  echo "(before the fast paths), corpus of gen_corpus.py (20,000 addresses), list $(basename "$list")"
  echo "($(grep -c '' "$list") lines), median of $runs runs; $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)."
  echo
  "$work/build/bin/native_bench" --corpus "$work/corpus.txt" --tlds "$list" --runs "$runs"
} > "$out"
cat "$out"
