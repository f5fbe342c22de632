#!/bin/sh
# Checks the import table of the built plug-in: system libraries and the host
# only (not WinINet or the DNS client, which the MX rule loads on first use),
# and every host service imported by its plain name.
# usage: check-imports.sh OBJDUMP DLL
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll") || exit 1
status=0
names=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
for n in $names; do
  case $(printf '%s' "$n" | tr '[:lower:]' '[:upper:]') in
    KERNEL32.DLL|USER32.DLL|ADVAPI32.DLL|MSVCRT.DLL|TAKECMD.DLL) ;;
    *) echo "unexpected import: $n"; status=1 ;;
  esac
done
# The members imported from TakeCmd.dll: names without decoration.
host=$(printf '%s\n' "$dump" | awk '/DLL Name: TakeCmd.dll/{f=1;next} /DLL Name:/{f=0} f && NF==3 && $2 ~ /^[0-9]+$/ {print $3}')
expected="CrLf ExpandVariables Printf QPuts Qprintf QueryTrueName"
[ -n "$host" ] || { echo "no host services imported by name"; status=1; }
for h in $host; do
  case " $expected " in *" $h "*) ;; *) echo "unexpected host import: $h"; status=1 ;; esac
done
[ $status -eq 0 ] && echo "imports ok: $names"
exit $status
