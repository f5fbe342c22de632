#!/bin/sh
# Starts the stand-in command processor under Wine, in the folder it is
# started from, with the plug-in installed as a user installs it: the host,
# the shipped library (the package's bytes) and TLDs.txt side by side in a
# folder of their own (build/ARCH/tryout), building what is missing first.
# TLDs.txt there is the shipped list when missing and is kept otherwise.
# Both widths keep their saved options in one Wine prefix (build/tryout-prefix),
# as both libraries share the user's registry key on Windows.
# The tests set QUORVEL_TRYOUT and QUORVEL_RUN_PREFIX to folders of their own.
usage() {
  cat <<'EOF'
usage: ./host.sh [--x86 | --x64] [--tlds FILE | --no-tlds] [ARGUMENT ...]
  --x86         the 32-bit host with Quorvel-x86.dll (the default)
  --x64         the 64-bit host with Quorvel-x64.dll
  --tlds FILE   installs FILE as the list of known top-level domains
  --no-tlds     removes the list: the built-in table decides
  --help        this text
The plug-in is installed in build/x86/tryout (build/x64/tryout with --x64).
Its list, TLDs.txt there, is copied from the shipped one when it is missing;
edit it, and the edits are kept from one start to the next.
The arguments that follow go to the stand-in host, which runs in the folder
you start it from:
  (none)                  the interactive prompt
  FILE.btm [ARG ...]      runs a batch file (%1 ... %9 are its arguments)
  -c COMMAND ...          runs one command line, for example
                          ./host.sh -c echo %@quorvel[john@example.com]
The exit code is the host's: 0, the last command's code, or 1 after an error.
EOF
}
set -e
root=$(cd "$(dirname "$0")" && pwd)
arch=x86 tlds=keep
while [ $# -gt 0 ]; do
  case $1 in
    --x86) arch=x86 ;;
    --x64) arch=x64 ;;
    --tlds)
      [ $# -gt 1 ] && [ -f "$2" ] || { echo "host.sh: --tlds needs a file (./host.sh --help)" >&2; exit 2; }
      tlds=$2
      shift ;;
    --no-tlds) tlds=none ;;
    --help|-h) usage; exit 0 ;;
    --) shift; break ;;
    --*) echo "host.sh: unknown option $1 (./host.sh --help lists them)" >&2; exit 2 ;;
    *) break ;;
  esac
  shift
done
builds=${QUORVEL_BUILD:-$root/build}
build=$builds/$arch
sh "$root/tools/build.sh" --host $arch
# 32-bit Wine needs a kernel that runs 32-bit programs; say so plainly.
if [ $arch = x86 ] && ! "$build/wine-run.sh" --version >/dev/null 2>&1; then
  echo "host.sh: 32-bit Wine cannot start on this machine (its kernel runs no 32-bit programs); try ./host.sh --x64" >&2
  exit 1
fi
# The shared prefix, made once; wine-run.sh uses it instead of the build's own.
QUORVEL_RUN_PREFIX=${QUORVEL_RUN_PREFIX:-$builds/tryout-prefix}
export QUORVEL_RUN_PREFIX
cmake -DRUNNER="$build/wine-run.sh" -DPREFIX="$QUORVEL_RUN_PREFIX" -P "$root/tests/make-prefix.cmake"
# The installed plug-in: host, shipped library and list file in one folder.
tryout=${QUORVEL_TRYOUT:-$build/tryout}
mkdir -p "$tryout"
for f in "bin/qhost.exe" "bin/TakeCmd.dll" "package/Quorvel-$arch.dll"; do
  cmp -s "$build/$f" "$tryout/${f#*/}" || cp "$build/$f" "$tryout/${f#*/}"
done
case $tlds in
  none) rm -f "$tryout/TLDs.txt" ;;
  keep) [ -e "$tryout/TLDs.txt" ] || cp "$root/tools/release/TLDs.txt" "$tryout/TLDs.txt" ;;
  *) cp "$tlds" "$tryout/TLDs.txt" ;;
esac
exec "$build/wine-run.sh" "$tryout/qhost.exe" "$@"
