#!/bin/sh
# Unpacks the release package into a fresh folder and checks it there: the
# five files and nothing else, their SHA256SUMS, CR LF in the text files
# (and ASCII in the guide), this build's library as shipped (no debug
# sections, the same bytes as the build's stripped copy); then puts this
# build's stand-in host beside it and runs a batch file.
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
# The text files for Windows readers end every line in CR LF.
for f in UserGuide.txt SHA256SUMS; do
  [ "$(grep -c "$(printf '\r')\$" "$dir/$f")" = "$(wc -l <"$dir/$f" | tr -d ' ')" ] ||
    { echo "$f has line ends other than CR LF"; exit 1; }
done
# ASCII alone, which every Notepad reads in any code page.
if LC_ALL=C grep -q -P '[^\x00-\x7f]' "$dir/UserGuide.txt"; then echo "UserGuide.txt is not ASCII"; exit 1; fi
cmp -s "$dir/$dll" "$shipped" || { echo "$dll in the package is not this build's ($shipped)"; exit 1; }
if "$objdump" -h "$dir/$dll" | grep -q '\.debug'; then echo "$dll carries debug sections"; exit 1; fi
cp "$hostbin/qhost.exe" "$hostbin/TakeCmd.dll" "$dir/"
exec sh "$(dirname "$0")/../support/run-host.sh" "$runner" "$dir" "$batch" "$expected" 0
