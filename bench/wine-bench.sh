#!/bin/sh
# Runs timers of a Windows build under Wine, in the build's private headless
# prefix (the one its tests use), and stops that prefix's wineserver
# afterwards. TESSALY_WINE names the loader (default wine).
# Usage (from the repository): wine-bench.sh BUILD_DIR PROGRAM... (each
# PROGRAM a timer's name in BUILD_DIR/bench, run with no arguments)
set -eu
build=$1
shift
unable="make bench: the timers in $build/bench are built, but Wine cannot run them here."
. cmake/wine-session.sh
for program in "$@"; do
  "$wine" "$build/bench/$program.exe"
done
