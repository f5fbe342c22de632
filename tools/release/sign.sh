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
# without --timestamp the same key signs the same package into the same
# files. With --timestamp, each signature is also counter-signed by the
# RFC 3161 time-stamp authority at URL (osslsigncode's -ts), so that Windows
# keeps it valid after the certificate expires; the counter-signature holds
# the authority's time, so the files differ from signing to signing. The
# unsigned package is left as it is. Every entry name must be a plain file
# name, ^[A-Za-z0-9][A-Za-z0-9._-]*$, and no Windows device name (CON, PRN,
# AUX, NUL, COM1-COM9, LPT1-LPT9, in any case, with or without an extension);
# a package holding any other is refused before anything is written.
# usage: sign.sh [--timestamp URL] KEY CERT [ZIP]
#   URL   the time-stamp authority (RFC 3161, over HTTP or HTTPS);
#   KEY   the private key (PEM), CERT its certificate and chain (PEM);
#   ZIP   the package, by default build/quorvel-VERSION.zip (or in $QUORVEL_BUILD)
set -e
# No globbing: no name expands against the caller's folder.
set -f
usage() {
  echo "usage: sign.sh [--timestamp URL] KEY CERT [ZIP]" >&2
  exit 2
}
timestamp=""
if [ "$1" = --timestamp ]; then
  [ -n "$2" ] || usage
  timestamp="$2"
  shift 2
fi
if [ "$#" -lt 2 ] || [ "$#" -gt 3 ]; then
  usage
fi
key="$1" cert="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
# The version is set in the top CMakeLists.txt only; the package is named
# after its first three numbers.
version="$(sed -n 's/^project(Quorvel VERSION \([0-9]*\.[0-9]*\.[0-9]*\)\.[0-9]*.*/\1/p' "$root/CMakeLists.txt")"
zip="${3:-${QUORVEL_BUILD:-$root/build}/quorvel-$version.zip}"
[ -f "$zip" ] || { echo "sign.sh: no package $zip (sh tools/build.sh makes it)" >&2; exit 1; }
base="${zip%.zip}"
python="$(command -v /usr/bin/python3 || command -v python3)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/unsigned" "$work/signed"
# The entries in their order, unpacked, and the date they carry (as seconds
# since 1970, read as UTC). Every name is a plain file name, checked first:
# none can reach outside the folder, name a stream, a drive or a device on
# Windows, start like an option, or split the list below.
"$python" - "$zip" "$work/unsigned" >"$work/entries" <<'EOF'
import calendar, os, re, sys, zipfile
PLAIN = re.compile(r"[A-Za-z0-9][A-Za-z0-9._-]*")
DEVICE = re.compile(r"(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\..*)?", re.IGNORECASE)
with zipfile.ZipFile(sys.argv[1]) as z:
    infos = z.infolist()
    for info in infos:
        name = info.filename
        if not PLAIN.fullmatch(name) or DEVICE.fullmatch(name):
            sys.exit(f"sign.sh: refused entry {name!r} of {sys.argv[1]}: not a plain file name")
    for info in infos:
        with open(os.path.join(sys.argv[2], info.filename), "wb") as f:
            f.write(z.read(info))
        print(calendar.timegm(info.date_time + (0, 0, 0)), info.filename)
EOF
time="$(awk '$2 ~ /\.dll$/ {print $1; exit}' "$work/entries")"

# The signing time: the package's date, or the authority's time stamp.
if [ -n "$timestamp" ]; then when=-ts at="$timestamp"; else when=-time at="$time"; fi

# The files of the signed package, in the entries' order, as the arguments.
set --
while read -r _ name; do
  case "$name" in
    SHA256SUMS) continue ;;
    *.dll)
      osslsigncode sign -certs "$cert" -key "$key" -h sha256 "$when" "$at" \
        -in "$work/unsigned/$name" -out "$work/signed/$name" >"$work/log" 2>&1 || { cat "$work/log" >&2; exit 1; }
      rm -f "$base-$name.sig"
      osslsigncode extract-signature -in "$work/signed/$name" -out "$base-$name.sig" >"$work/log" 2>&1 ||
        { cat "$work/log" >&2; exit 1; }
      echo "sign.sh: signed $name; its signature: $base-$name.sig"
      ;;
    *) cp "$work/unsigned/$name" "$work/signed/$name" ;;
  esac
  set -- "$@" "$work/signed/$name"
done <"$work/entries"
"$python" "$here/make_package.py" "$base-signed.zip" "$@"
