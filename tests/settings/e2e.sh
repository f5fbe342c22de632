#!/bin/sh
# Two runs of the stand-in host: the first batch file saves options, the
# second, in a new host process, finds them. The batch files are run from the
# Wine prefix's drive C so that their names in error lines do not depend on
# where the build lies. The saved settings are removed before and after.
# usage: e2e.sh RUNNER BINDIR WINEPREFIX
runner=$1 bindir=$2 prefix=$3
here=$(cd "$(dirname "$0")" && pwd)
dir="$prefix/drive_c/quorvel-command-e2e"
clear_saved() { "$runner" reg delete 'HKCU\Software\TavoPlugins\Quorvel' /f >/dev/null 2>&1; }
mkdir -p "$dir" && cp "$here/e2e-first.btm" "$here/e2e-second.btm" "$dir/" || exit 1
clear_saved
status=0
sh "$here/../support/run-host.sh" "$runner" "$bindir" 'C:\quorvel-command-e2e\e2e-first.btm' \
  "$here/e2e-first.expected" 0 || status=1
sh "$here/../support/run-host.sh" "$runner" "$bindir" 'C:\quorvel-command-e2e\e2e-second.btm' \
  "$here/e2e-second.expected" 0 || status=1
clear_saved
rm -rf "$dir"
exit $status
