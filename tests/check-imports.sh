#!/bin/sh
# Checks that the built plug-in imports every host service by its plain name.
# (Which libraries the shipped files may import is checked, for both, by
# tests/release/check_pe.py.)
# usage: check-imports.sh OBJDUMP DLL
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll") || exit 1
status=0
names=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
# The members imported from TakeCmd.dll: names without decoration.
host=$(printf '%s\n' "$dump" | awk '/DLL Name: TakeCmd.dll/{f=1;next} /DLL Name:/{f=0} f && NF==3 && $2 ~ /^[0-9]+$/ {print $3}')
expected="CrLf ExpandVariables Printf QPuts Qprintf QueryTrueName"
[ -n "$host" ] || { echo "no host services imported by name"; status=1; }
for h in $host; do
  case " $expected " in *" $h "*) ;; *) echo "unexpected host import: $h"; status=1 ;; esac
done
[ $status -eq 0 ] && echo "imports ok: $names"
exit $status
