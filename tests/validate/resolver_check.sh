#!/bin/sh
# Runs the resolver test program under Wine in private network namespaces
# with a DNS server (dnsmasq) on their loopback: once with a default route
# (Wine reports a connection), once without (Wine reports none). The server
# answers for the zone com itself and forwards nothing, and the namespaces
# reach no other network, so no query leaves them.
#
# Usage: resolver_check.sh TEST_EXE PREFIX_DIR WORK_DIR WINE WINE64
# (WINE runs the test program, WINE64 makes the 64-bit prefix.)
# Exit 77 (skipped) when the tools or the rights are missing.
set -u
exe=$1 prefix=$2 work=$3 wine=$4 wine64=$5

for tool in unshare ip dnsmasq "$wine" "$wine64" wineserver mount; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool not found"; exit 77; }
done
[ "$(id -u)" = 0 ] || { echo "skipped: needs root for network namespaces"; exit 77; }
unshare --net --mount true 2>/dev/null || { echo "skipped: no network namespaces here"; exit 77; }

rm -rf "$work"; mkdir -p "$work"
# dnsapi=n,b: a dnsapi.dll found by a search is preferred to Wine's own, as
# on Windows, so that the decoy beside the program would be taken by one.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;dnsapi=n,b"

# Runs one pass inside a fresh namespace; $1 is 1 with a default route.
run_pass() {
  unshare --net --mount sh -s "$1" <<'INNER'
set -eu
online=$1
# A wineserver of this namespace's own: a private copy of its socket folder
# (only that folder, so that a build tree under /tmp stays visible).
serverdir=/tmp/.wine-$(id -u)
mkdir -p "$serverdir"
mount -t tmpfs tmpfs "$serverdir"
printf 'nameserver 127.0.0.1\n' > "$WORK/resolv.conf"
mount --bind "$WORK/resolv.conf" /etc/resolv.conf
ip link set lo up
if [ "$online" = 1 ]; then
  # A link to a peer of our own inside this namespace, and a default route.
  ip link add qv0 type veth peer name qv1
  ip addr add 192.0.2.2/24 dev qv0
  ip addr add 192.0.2.1/24 dev qv1
  ip link set qv0 up
  ip link set qv1 up
  ip route add default via 192.0.2.1 dev qv0
fi
dnsmasq --keep-in-foreground --no-resolv --no-hosts --no-poll --bind-interfaces \
  --listen-address=127.0.0.1 --port=53 --local=/com/ \
  --mx-host=withmx.com,mx.withmx.com,10 --host-record=mx.withmx.com,192.0.2.25 \
  --log-queries \
  --pid-file="$WORK/dnsmasq-$online.pid" --log-facility="$WORK/dnsmasq-$online.log" \
  --user=root --group=root &
server=$!
sleep 1
[ ! -f "$WINEPREFIX/system.reg" ] && { WINEARCH=win64 "$WINE64" wineboot -i >/dev/null 2>&1 || true; wineserver -w; }
rc=0
QUORVEL_NET_ONLINE=$online "$WINE" "$EXE" || rc=$?
wineserver -k 2>/dev/null || true
kill "$server" 2>/dev/null || true
exit $rc
INNER
}

export EXE="$exe" WORK="$work" WINE="$wine" WINE64="$wine64"
status=0
echo "== with a default route"
run_pass 1 || status=1
echo "== without a default route"
run_pass 0 || status=1
# The online pass asked the server; the offline pass asked nothing.
for name in nowhere.com withmx.com; do
  grep -q "query\[MX\] $name" "$work/dnsmasq-1.log" || { echo "no MX query for $name reached the server"; status=1; }
done
if grep -q 'query\[' "$work/dnsmasq-0.log"; then echo "a query was made without a connection"; status=1; fi
exit $status
