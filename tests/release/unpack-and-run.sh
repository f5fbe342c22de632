#!/bin/sh
# Unpacks the release package into a fresh folder, puts the stand-in host
# beside it and runs a batch file there.
# usage: unpack-and-run.sh RUNNER ZIP HOSTBIN BATCH EXPECTED
runner=$1 zip=$2 hostbin=$3 batch=$4 expected=$5
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
(cd "$dir" && cmake -E tar xf "$zip") || exit 1
for f in Quorvel-x86.dll TLDs.txt UserGuide.txt; do
  [ -f "$dir/$f" ] || { echo "package lacks $f"; exit 1; }
done
count=$(cd "$dir" && ls | wc -l)
[ "$count" = 3 ] || { echo "package holds $count files, expected 3"; exit 1; }
cp "$hostbin/qhost.exe" "$hostbin/TakeCmd.dll" "$dir/"
exec sh "$(dirname "$0")/../e2e/run-host.sh" "$runner" "$dir" "$batch" "$expected" 0
