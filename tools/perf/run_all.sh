#!/bin/sh
# Runs the throughput benchmark: Quorvel (default options; with a TLDs.txt of
# the ICANN top-level domains; with CheckMX against a stand-in DNS client)
# and the peer validators (validator.js, Python's email_validator, Perl's
# Email::Valid) over the same corpus, and prints one table; then the native
# benchmark of the plug-in's own work (native_bench of the native build, over
# the fakes, with the shipped tools/release/TLDs.txt).
#
#   tools/perf/run_all.sh [--runs N] [--quorvel-runs N] [--count N]
#
#   --runs N          timed passes of each peer and of Quorvel's fast parts (5)
#   --quorvel-runs N  timed passes of Quorvel over the whole corpus (3)
#   --count N         addresses in the corpus (100000)
#
# Build directory: build-perf beside the sources, or $QUORVEL_PERF_BUILD.
# Installs what is missing (Debian packages as root, the npm package into
# tools/perf/node_modules from package-lock.json). The table also goes to
# BUILD/perf/table.md; disagreement examples to BUILD/perf/disagreements.txt.
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${QUORVEL_PERF_BUILD:-$root/build-perf}
runs=5
qruns=3
count=100000
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --quorvel-runs) qruns=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--quorvel-runs N] [--count N]" >&2; exit 2 ;;
  esac
done

# ---- dependencies ----------------------------------------------------------
# The build's own needs (MinGW, Wine, CMake, ...), then the peers'.
if [ -f "$root/tools/setup-debian.sh" ]; then sh "$root/tools/setup-debian.sh"; fi
missing=""
for p in publicsuffix python3-email-validator libemail-valid-perl; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
command -v node >/dev/null || missing="$missing nodejs"
command -v npm >/dev/null || missing="$missing npm"
if [ -n "$missing" ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "perf: run as root, or install:$missing" >&2
    exit 1
  fi
  echo "perf: installing$missing"
  DEBIAN_FRONTEND=noninteractive apt-get update -q
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi
if [ ! -f "$here/node_modules/validator/package.json" ]; then
  echo "perf: installing validator.js from package-lock.json"
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
fi

# ---- build -----------------------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset perf -B "$build" >/dev/null)
fi
cmake --build "$build" -j"$(nproc)" --target perf
cmake -DRUNNER="$build/wine-run.sh" -DPREFIX="$build/wineprefix" -P "$root/tests/make-prefix.cmake"
# The native benchmark, in the native build (clang, without sanitizers).
native=${QUORVEL_NATIVE_BUILD:-$root/build-native}
if [ ! -f "$native/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset native -B "$native" >/dev/null)
fi
cmake --build "$native" -j"$(nproc)" --target native_bench

# ---- data ------------------------------------------------------------------
work=$build/perf
mkdir -p "$work"
/usr/bin/python3 "$here/gen_corpus.py" "$work/corpus.txt" "$count"
/usr/bin/python3 "$here/gen_corpus.py" "$work/corpus-native.txt" 20000
# The ICANN section of the public suffix list, labels without a dot (UTF-8).
awk '/===BEGIN ICANN DOMAINS===/ { on = 1; next } /===END ICANN DOMAINS===/ { on = 0 }
     on && !/^\/\// && NF && !/\./ { print $1 }' \
    /usr/share/publicsuffix/public_suffix_list.dat > "$work/tlds-icann.txt"
echo "perf: corpus $(wc -l < "$work/corpus.txt") addresses, TLDs.txt $(wc -l < "$work/tlds-icann.txt") labels"

# ---- runs ------------------------------------------------------------------
load=$(cut -d' ' -f1-3 /proc/loadavg)
bin=$build/bin/perf
results=$work/results.txt
: > "$results"
cd "$work"
# Runs one program (stopping the script if it fails) and keeps its output.
record() {
  "$@" > last-run.txt
  cat last-run.txt
  cat last-run.txt >> "$results"
}
for mode in default tlds mx; do
  echo "perf: Quorvel, $mode ($qruns passes)"
  if [ "$mode" = mx ]; then
    WINEDLLOVERRIDES="dnsapi,wininet=n" record "$build/wine-run.sh" "$bin/perf_bench.exe" \
        --corpus corpus.txt --mode mx --runs "$qruns" --verdicts quorvel-mx.txt
  else
    record "$build/wine-run.sh" "$bin/perf_bench.exe" --corpus corpus.txt --mode "$mode" \
        --tlds tlds-icann.txt --runs "$qruns" --verdicts "quorvel-$mode.txt"
  fi
done
echo "perf: validator.js"
record node "$here/peers/validatorjs.js" corpus.txt peer-validatorjs.txt "$runs"
echo "perf: email_validator"
record /usr/bin/python3 "$here/peers/email_validator_py.py" corpus.txt peer-email_validator.txt "$runs"
echo "perf: Email::Valid"
record perl "$here/peers/email_valid.pl" corpus.txt peer-email_valid.txt "$runs"

echo "perf: native benchmark of the plug-in's own work"
"$native/bin/native_bench" --corpus corpus-native.txt --tlds "$root/tools/release/TLDs.txt" \
    --runs "$runs" > native.md
cat native.md

{
  echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(wine --version 2>/dev/null); load average before the runs: $load."
  echo
  /usr/bin/python3 "$here/compare.py" "$work"
  echo
  echo "Native, the plug-in's own work over the fakes (20,000 addresses, the shipped TLDs.txt):"
  echo
  cat native.md
} > table.md
echo
cat table.md
echo
echo "perf: table in $work/table.md, disagreements in $work/disagreements.txt"
