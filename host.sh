#!/bin/sh
# Starts the stand-in command processor under Wine with the plug-in loaded,
# building what is missing first: the 32-bit host with Quorvel-x86.dll, or
# with --x64 the 64-bit host with Quorvel-x64.dll. Other arguments pass
# through:
#   ./host.sh                 interactive prompt
#   ./host.sh batch.btm       run a batch file
#   ./host.sh -c echo %@quorvel[john@example.com]
#   ./host.sh --x64 -c echo %@quorvel[john@example.com]
set -e
root=$(cd "$(dirname "$0")" && pwd)
arch=x86
if [ "$1" = --x64 ]; then arch=x64; shift; fi
build=${QUORVEL_BUILD:-$root/build}/$arch
sh "$root/tools/build.sh" --host $arch
# The build's own Wine prefix, made once.
cmake -DRUNNER="$build/wine-run.sh" -DPREFIX="$build/wineprefix" -P "$root/tests/make-prefix.cmake"
# Batch file paths are taken from where the user is.
args=""
for a in "$@"; do
  if [ -f "$a" ]; then a=Z:$(printf '%s' "$(cd "$(dirname "$a")" && pwd)/$(basename "$a")" | tr / '\\'); fi
  args="$args$(printf '%s' "$a" | sed "s/'/'\\\\''/g; s/^/'/; s/\$/'/") "
done
cd "$build/bin"
eval "exec \"$build/wine-run.sh\" qhost.exe $args"
