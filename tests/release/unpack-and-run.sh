#!/bin/sh
# Unpacks the release package into a fresh folder and checks it there: the
# five files and nothing else, their SHA256SUMS, this build's library as
# shipped (no debug sections, the same bytes as the build's stripped copy);
# then puts this build's stand-in host beside it and runs a batch file.
# usage: unpack-and-run.sh RUNNER ZIP HOSTBIN BATCH EXPECTED SHIPPED-DLL OBJDUMP
runner=$1 zip=$2 hostbin=$3 batch=$4 expected=$5 shipped=$6 objdump=$7
dll=$(basename "$shipped")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
(cd "$dir" && cmake -E tar xf "$zip") || exit 1
listing=$(cd "$dir" && ls | sort | tr '\n' ' ')
[ "$listing" = "Quorvel-x64.dll Quorvel-x86.dll SHA256SUMS TLDs.txt UserGuide.txt " ] ||
  { echo "package holds: $listing"; exit 1; }
(cd "$dir" && sha256sum --quiet -c SHA256SUMS) || { echo "SHA256SUMS does not match"; exit 1; }
cmp -s "$dir/$dll" "$shipped" || { echo "$dll in the package is not this build's ($shipped)"; exit 1; }
if "$objdump" -h "$dir/$dll" | grep -q '\.debug'; then echo "$dll carries debug sections"; exit 1; fi
cp "$hostbin/qhost.exe" "$hostbin/TakeCmd.dll" "$dir/"
exec sh "$(dirname "$0")/../support/run-host.sh" "$runner" "$dir" "$batch" "$expected" 0
