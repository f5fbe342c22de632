#!/bin/sh
# Starts the stand-in command processor under Wine with the plug-in installed
# as a user installs it: the library and the shipped TLDs.txt side by side in
# a folder of their own (build/ARCH/tryout), building what is missing first.
# Both widths keep their saved options in one Wine prefix (build/tryout-prefix),
# as both libraries share the user's registry key on Windows.
usage() {
  cat <<'EOF'
usage: ./host.sh [--x86 | --x64] [--no-tlds] [ARGUMENT ...]
  --x86       the 32-bit host with Quorvel-x86.dll (the default)
  --x64       the 64-bit host with Quorvel-x64.dll
  --no-tlds   without TLDs.txt beside the library: the built-in table decides
  --help      this text
The arguments that follow go to the stand-in host:
  (none)                  the interactive prompt
  FILE.btm [ARG ...]      runs a batch file (%1 ... %9 are its arguments)
  -c COMMAND ...          runs one command line, for example
                          ./host.sh -c echo %@quorvel[john@example.com]
The exit code is the host's: 0, the last command's code, or 1 after an error.
EOF
}
set -e
root=$(cd "$(dirname "$0")" && pwd)
arch=x86 tlds=yes
while [ $# -gt 0 ]; do
  case $1 in
    --x86) arch=x86 ;;
    --x64) arch=x64 ;;
    --no-tlds) tlds=no ;;
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
# The shared prefix, made once; wine-run.sh uses it instead of the build's own.
QUORVEL_RUN_PREFIX=$builds/tryout-prefix
export QUORVEL_RUN_PREFIX
cmake -DRUNNER="$build/wine-run.sh" -DPREFIX="$QUORVEL_RUN_PREFIX" -P "$root/tests/make-prefix.cmake"
# The installed plug-in: host, library and list file in one folder. The test
# programs' folder (bin) stays without TLDs.txt.
tryout=$build/tryout
mkdir -p "$tryout"
for f in qhost.exe TakeCmd.dll "Quorvel-$arch.dll"; do
  cmp -s "$build/bin/$f" "$tryout/$f" || cp "$build/bin/$f" "$tryout/$f"
done
if [ $tlds = yes ]; then
  cp "$root/tools/release/TLDs.txt" "$tryout/TLDs.txt"
else
  rm -f "$tryout/TLDs.txt"
fi
# Batch file paths are taken from where the user is.
args=""
for a in "$@"; do
  if [ -f "$a" ]; then a=Z:$(printf '%s' "$(cd "$(dirname "$a")" && pwd)/$(basename "$a")" | tr / '\\'); fi
  args="$args$(printf '%s' "$a" | sed "s/'/'\\\\''/g; s/^/'/; s/\$/'/") "
done
cd "$tryout"
eval "exec \"$build/wine-run.sh\" qhost.exe $args"
