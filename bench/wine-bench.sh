#!/bin/sh
# Runs timers of a Windows build under Wine, in the build's private headless
# prefix (the one its tests use), and stops that prefix's wineserver
# afterwards. TESSALY_WINE names the loader (default wine).
# Usage (from the repository): wine-bench.sh BUILD_DIR PROGRAM... (each
# PROGRAM a timer's name in BUILD_DIR/bench, run with no arguments)
set -eu
build=$1
shift
prefix=$(cd "$build" && pwd)/wineprefix
if ! sh cmake/wine-run.sh --host true; then
  echo "make bench: the timers in $build/bench are built, but Wine cannot run them here." >&2
  exit 1
fi
wine=${TESSALY_WINE:-wine}
cmake/wine-prefix.sh start "$prefix"
trap 'cmake/wine-prefix.sh stop "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all
for program in "$@"; do
  "$wine" "$build/bench/$program.exe"
done
