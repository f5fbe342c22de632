#!/bin/sh
# host.sh as a user runs it, from a folder of the user's: the host works in
# that folder, the installed library is the shipped one, and the tryout's
# TLDs.txt is replaced by --tlds, kept when edited, removed by --no-tlds and
# installed from the shipped list when missing. The tryout and the Wine
# prefix are the test's own.
# usage: tryout_check.sh ROOT BUILD   (BUILD: the build folder x86 or x64)
root=$1 build=$2 arch=$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/user" && cd "$work/user" || exit 1
QUORVEL_BUILD=$(dirname "$build") QUORVEL_TRYOUT=$work/tryout QUORVEL_RUN_PREFIX=$build/wineprefix
export QUORVEL_BUILD QUORVEL_TRYOUT QUORVEL_RUN_PREFIX
status=0
# check WHAT EXPECTED ARGUMENT...: runs host.sh and compares its output.
check() {
  what=$1 expected=$2
  shift 2
  got=$(sh "$root/host.sh" --"$arch" "$@" </dev/null 2>"$work/err" | tr -d '\r')
  if [ "$got" != "$expected" ]; then
    printf '%s: host.sh printed\n%s\ninstead of\n%s\n' "$what" "$got" "$expected"
    cat "$work/err"
    status=1
  fi
}
printf 'quorveltest\r\n' >list.txt
check "--tlds and a file written" "" --tlds list.txt -c 'echo %@quorvel[john@example.quorveltest]>out.txt'
[ "$(tr -d '\r' 2>/dev/null <out.txt)" = 0 ] || { echo "out.txt is not in the folder host.sh ran from"; status=1; }
[ "$(ls "$work/tryout" | tr '\n' ' ')" = "Quorvel-$arch.dll TLDs.txt TakeCmd.dll qhost.exe " ] ||
  { echo "the tryout holds:" "$(ls "$work/tryout")"; status=1; }
cmp "$work/tryout/Quorvel-$arch.dll" "$build/package/Quorvel-$arch.dll" || status=1
printf 'editedtest\r\n' >>"$work/tryout/TLDs.txt"
check "an edited list kept" "0 0" -c 'echo %@quorvel[john@example.quorveltest] %@quorvel[john@example.editedtest]'
check "--no-tlds" "1048 0" --no-tlds -c 'echo %@quorvel[john@example.quorveltest] %@quorvel[john@example.com]'
[ ! -e "$work/tryout/TLDs.txt" ] || { echo "--no-tlds left TLDs.txt"; status=1; }
check "the shipped list installed" "0" -c 'echo %@quorvel[john@example.museum]'
cmp "$work/tryout/TLDs.txt" "$root/tools/release/TLDs.txt" || status=1
exit $status
