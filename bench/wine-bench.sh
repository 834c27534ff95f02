#!/bin/sh
# Runs the tiny-stroke timer of a Windows build under Wine, in the build's
# private headless prefix (the one its tests use), and stops that prefix's
# wineserver afterwards. TESSALY_WINE names the loader (default wine).
# Usage (from the repository): wine-tiny-strokes.sh BUILD_DIR [ROUNDS]
set -eu
build=$1
shift
prefix=$(cd "$build" && pwd)/wineprefix
if ! sh cmake/wine-run.sh --host true; then
  echo "make bench: $build/bench/tiny_strokes.exe is built, but Wine cannot run it here." >&2
  exit 1
fi
wine=${TESSALY_WINE:-wine}
cmake/wine-prefix.sh start "$prefix"
trap 'cmake/wine-prefix.sh stop "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all
"$wine" "$build/bench/tiny_strokes.exe" "$@"
