#!/bin/sh
# Shows what the pen does: the stand-in host loads the real Tessaly.dll under
# Wine, prints its identity and renders every script in examples/ to a PNG
# under out/, printing the paths. Runs in the build's private headless Wine
# prefix, the one the tests use. Usage (from the repository): demo.sh BUILD_DIR
set -eu
build=$1
prefix=$(cd "$build" && pwd)/wineprefix
if ! sh cmake/wine-run.sh --host true; then
  echo "make demo: the pen and the stand-in are built in $build/bin, but they cannot run here." >&2
  exit 1
fi
wine=${TESSALY_WINE:-wine}
cmake/wine-prefix.sh start "$prefix"
trap 'cmake/wine-prefix.sh stop "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all

mkdir -p out
"$wine" "$build/bin/standin.exe" --info "$build/bin/Tessaly.dll" out/Tessaly-button.png
echo
echo "Pictures of the examples:"
"$wine" "$build/bin/standin.exe" "$build/bin/Tessaly.dll" examples/*.strokes
