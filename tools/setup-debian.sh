#!/bin/sh
# Installs what building and testing Quorvel needs on Debian (run as root):
# MinGW-w64 for i686 and x86_64 (posix threads), 32-bit and 64-bit Wine, CMake, GoogleTest sources,
# Xvfb for the tests that need a display, Python for the generators, and
# clang with its sanitizer and libFuzzer runtimes (llvm: the symbolizer for
# readable sanitizer reports) for the native build; pefile for the check of
# the shipped libraries, osslsigncode and openssl for signing a release.
# Does nothing when everything is there already.
set -e
packages="cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
mingw-w64-i686-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
mingw-w64-x86-64-dev googletest wine wine32:i386 wine64 xvfb xauth python3 libc-bin publicsuffix dnsmasq-base clang libclang-rt-14-dev llvm
python3-pefile osslsigncode openssl"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "setup: installing$missing"
if [ "$(id -u)" != 0 ]; then
  echo "setup: run as root (or install these packages yourself):$missing" >&2
  exit 1
fi
case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
  *" i386 "*) ;;
  *) dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
