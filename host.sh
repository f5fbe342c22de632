#!/bin/sh
# Starts the stand-in command processor under Wine with Quorvel-x86.dll
# loaded, building what is missing first. Arguments pass through:
#   ./host.sh                 interactive prompt
#   ./host.sh batch.btm       run a batch file
#   ./host.sh -c echo %@quorvel[john@example.com]
set -e
root=$(cd "$(dirname "$0")" && pwd)
build=${QUORVEL_BUILD:-$root/build}
sh "$root/tools/build.sh" >&2
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
