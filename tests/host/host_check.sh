#!/bin/sh
# The stand-in host's own errors, as a user of host.sh meets them: an unknown
# option is refused, pointing to host.sh's help, an error makes the exit code
# 1 (also with -c), a line over 8,191 characters, typed or once expanded, is
# refused whole and the next line still runs, and without an X display
# "help quorvel" says so in one line.
# usage: host_check.sh RUNNER BINDIR
runner=$1 bindir=$2
cd "$bindir" || exit 1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
# check WHAT CODE EXPECTED INPUT ARGUMENT...: runs the host with INPUT as its
# standard input and compares its exit code and its output (CR removed).
check() {
  what=$1 code=$2 expected=$3 input=$4
  shift 4
  printf '%s' "$input" | "$runner" qhost.exe "$@" >"$out" 2>&1
  rc=$?
  got=$(tr -d '\r' <"$out")
  if [ "$got" != "$expected" ]; then
    printf '%s: the host printed\n%s\ninstead of\n%s\n' "$what" "$got" "$expected"
    status=1
  fi
  if [ "$rc" != "$code" ]; then echo "$what: exit code $rc, expected $code"; status=1; fi
}
check "unknown option" 2 "qhost: unknown option --x86 (./host.sh --help lists them)" "" --x86
check "unknown function with -c" 1 "qhost: Unknown function @NOSUCH" "" -c echo %@nosuch[x]
check "unknown command, then a good one" 1 "qhost: unknown command \"NOSUCH\"
0" "nosuch
echo %@quorvel[john@example.com]
" 
check "exit after an error" 0 "qhost: unknown command \"NOSUCH\"" "nosuch
exit 0
"
long=$(head -c 8200 /dev/zero | tr '\0' a)
check "a line over 8191 characters" 1 "qhost: the line is longer than 8191 characters; none of it was run
after" "echo $long
echo after
"
check "a line over 8191 characters once expanded" 1 \
  "qhost: the line is longer than 8191 characters when expanded; none of it was run" "" -c echo %@repeat[a,9000]
DISPLAY= WAYLAND_DISPLAY= check "help without a display" 1 \
  "qhost: no display here for the help box of quorvel; \"quorvel /?\" prints the plug-in's help text" "" -c help quorvel
exit $status
