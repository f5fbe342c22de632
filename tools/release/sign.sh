#!/bin/sh
# Signs both libraries of the release package with Authenticode (SHA-256,
# osslsigncode) and writes beside the package:
#   quorvel-VERSION-signed.zip            the signed libraries, the same other
#                                         files and a SHA256SUMS of these
#   quorvel-VERSION-Quorvel-x86.dll.sig   the detached signatures (DER), which
#   quorvel-VERSION-Quorvel-x64.dll.sig   turn a rebuilt unsigned library into
#                                         the signed one, byte for byte:
#     osslsigncode attach-signature -sigin SIG -in Quorvel-x86.dll -out OUT
# The signing time is the date of the package's entries, not the clock, so
# the same key signs the same package into the same files; no time-stamp
# server is asked. The unsigned package is left as it is.
# usage: sign.sh KEY CERT [ZIP]
#   KEY   the private key (PEM), CERT its certificate and chain (PEM);
#   ZIP   the package, by default build/quorvel-VERSION.zip (or in $QUORVEL_BUILD)
set -e
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: sign.sh KEY CERT [ZIP]" >&2
  exit 2
fi
key=$1 cert=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# The version is set in the top CMakeLists.txt only; the package is named
# after its first three numbers.
version=$(sed -n 's/^project(Quorvel VERSION \([0-9]*\.[0-9]*\.[0-9]*\)\.[0-9]*.*/\1/p' "$root/CMakeLists.txt")
zip=${3:-${QUORVEL_BUILD:-$root/build}/quorvel-$version.zip}
[ -f "$zip" ] || { echo "sign.sh: no package $zip (sh tools/build.sh makes it)" >&2; exit 1; }
base=${zip%.zip}
python=$(command -v /usr/bin/python3 || command -v python3)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/unsigned" "$work/signed"
# The entries in their order, unpacked, and the date they carry (as seconds
# since 1970, read as UTC).
"$python" - "$zip" "$work/unsigned" >"$work/entries" <<'EOF'
import calendar, os, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for info in z.infolist():
        with open(os.path.join(sys.argv[2], info.filename), "wb") as f:
            f.write(z.read(info))
        print(calendar.timegm(info.date_time + (0, 0, 0)), info.filename)
EOF
time=$(awk '$2 ~ /\.dll$/ {print $1; exit}' "$work/entries")

files=""
# The package's entry names hold no blanks.
# shellcheck disable=SC2013
for name in $(awk '{print $2}' "$work/entries"); do
  case $name in
    SHA256SUMS) continue ;;
    *.dll)
      osslsigncode sign -certs "$cert" -key "$key" -h sha256 -time "$time" \
        -in "$work/unsigned/$name" -out "$work/signed/$name" >"$work/log" 2>&1 ||
        { cat "$work/log" >&2; exit 1; }
      rm -f "$base-$name.sig"
      osslsigncode extract-signature -in "$work/signed/$name" -out "$base-$name.sig" >"$work/log" 2>&1 ||
        { cat "$work/log" >&2; exit 1; }
      echo "sign.sh: signed $name; its signature: $base-$name.sig"
      ;;
    *) cp "$work/unsigned/$name" "$work/signed/$name" ;;
  esac
  files="$files $work/signed/$name"
done
# shellcheck disable=SC2086
"$python" "$here/make_package.py" "$base-signed.zip" $files
