#!/bin/sh
# Runs a batch file through the stand-in host under Wine and compares what it
# prints (line ends folded to LF) and its exit code with the expected ones.
# usage: run-host.sh RUNNER BINDIR BATCH EXPECTED-OUTPUT EXPECTED-EXIT-CODE
runner=$1 bindir=$2 batch=$3 expected=$4 code=$5
out=$(mktemp)
trap 'rm -f "$out"' EXIT
(cd "$bindir" && "$runner" qhost.exe "$batch" </dev/null) >"$out" 2>&1
rc=$?
status=0
if ! tr -d '\r' <"$out" | diff -u "$expected" -; then
  echo "output differs from $expected"
  status=1
fi
if [ "$rc" != "$code" ]; then
  echo "exit code $rc, expected $code"
  status=1
fi
exit $status
