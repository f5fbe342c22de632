#!/bin/sh
# Configures (once) and builds Quorvel into build/ (or $QUORVEL_BUILD):
#   build/x86   Quorvel-x86.dll, its stand-in host and tests (32-bit)
#   build/x64   Quorvel-x64.dll, its stand-in host and tests (64-bit)
#   build/quorvel-VERSION.zip, the release package (made by the x86 build
#               from both libraries; the x64 build is built first)
# usage: build.sh              everything, both platforms and the package
#        build.sh --host ARCH  only the stand-in host and the plug-in of ARCH
#                              (x86 or x64), its shipped copy too; quiet
#                              unless it builds something, and then it says
#                              so in one line
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
sh "$root/tools/setup-debian.sh"

# configure ARCH: configures build/ARCH once, from the preset of its name
# (CMakePresets.json); in $build, with the package there, when not build/.
configure() {
  case $1 in
    x86|x64) ;;
    *) echo "build.sh: unknown platform $1 (x86 or x64)" >&2; exit 2 ;;
  esac
  [ -f "$build/$1/CMakeCache.txt" ] && return 0
  [ "$build" = "$root/build" ] || set -- "$1" -B "$build/$1" -DQUORVEL_PACKAGE_DIR="$build" -DQUORVEL_X64_BUILD="$build/x64"
  (cd "$root" && cmake --preset "$@" >/dev/null)
}

if [ "$1" = --host ]; then
  configure "$2"
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  # Shows the lines of real work only (not the "Built target" of every
  # target that is up to date) and all of the output when the build fails.
  if ! cmake --build "$build/$2" -j"$(nproc)" --target qhost shipped_dll >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
  if grep -q -E '^\[ *[0-9]+%\] (Building|Linking|Generating|Import library)' "$log"; then
    grep -E '^\[ *[0-9]+%\] (Building|Linking|Generating|Import library)' "$log" >&2
    echo "build.sh: built Quorvel-$2.dll and the stand-in host in $build/$2" >&2
  fi
  exit 0
fi

configure x64
configure x86
cmake --build "$build/x64" -j"$(nproc)"
cmake --build "$build/x86" -j"$(nproc)"
