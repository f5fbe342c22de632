#!/bin/sh
# Soak of the real plug-in (tools/soak/soak.cpp): builds the target `soak` in
# build/x86 and build/x64 (or under $QUORVEL_BUILD), configuring them first
# when needed, and runs the soak of each platform under its build's Wine,
# beside the stand-in DNS client and WinINet (WINEDLLOVERRIDES=dnsapi,wininet=n)
# in bin/soak. The two run side by side, each in its build's own Wine prefix.
#
#   sh tools/soak.sh [--combos N]
#
# Prints each platform's two lines (details, then
# "soak: N calls, handles +H, memory +M KiB, temp files T (Quorvel-ARCH.dll)"),
# and last the overall line in the same form without the library's name: the
# calls of both, and for each figure the one of larger magnitude, so that it
# reads 0 only when both do. Fails when either soak fails.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for arch in x86 x64; do
  sh "$root/tools/build.sh" --host $arch
  # Quiet unless the build fails.
  if ! nice cmake --build "$build/$arch" -j"$(nproc)" --target soak >"$work/build-$arch.log" 2>&1; then
    cat "$work/build-$arch.log" >&2
    exit 1
  fi
  cmake -DRUNNER="$build/$arch/wine-run.sh" -DPREFIX="$build/$arch/wineprefix" -P "$root/tests/make-prefix.cmake"
done

for arch in x86 x64; do
  (
    cd "$build/$arch/bin/soak"
    rc=0
    WINEDLLOVERRIDES=dnsapi,wininet=n "$build/$arch/wine-run.sh" soak.exe "$@" \
      >"$work/$arch.out" 2>"$work/$arch.err" || rc=$?
    echo $rc >"$work/$arch.rc"
  ) &
done
wait

status=0
for arch in x86 x64; do
  cat "$work/$arch.out"
  if [ "$(cat "$work/$arch.rc")" != 0 ]; then
    cat "$work/$arch.err" >&2
    echo "soak: Quorvel-$arch.dll failed (exit code $(cat "$work/$arch.rc"))" >&2
    status=1
  fi
done

# The overall line, from the two result lines.
if ! cat "$work/x86.out" "$work/x64.out" | awk '
  function larger(a, b) { return (b < 0 ? -b : b) > (a < 0 ? -a : a) ? b : a }
  /^soak: [0-9]+ calls, handles [-+][0-9]+, memory [-+][0-9]+ KiB, temp files -?[0-9]+ / {
    n += $2; h = larger(h, $5 + 0); m = larger(m, $7 + 0); t = larger(t, $11 + 0); lines++
  }
  END {
    if (lines != 2) exit 1
    printf "soak: %d calls, handles %+d, memory %+d KiB, temp files %d\n", n, h, m, t
  }'; then
  echo "soak: a result line is missing" >&2
  exit 1
fi
exit $status
