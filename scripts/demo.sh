#!/bin/sh
# Shows what the pen does: the stand-in host loads the real Tessaly.dll under
# Wine, prints its identity and renders every script in examples/ to a PNG
# under out/, printing the paths. Runs in the build's private headless Wine
# prefix, the one the tests use. Usage (from the repository): demo.sh BUILD_DIR
set -eu
build=$1
unable="make demo: the pen and the stand-in are built in $build/bin, but they cannot run here."
. cmake/wine-session.sh

mkdir -p out
"$wine" "$build/bin/standin.exe" --info "$build/bin/Tessaly.dll" out/Tessaly-button.png
echo
echo "Pictures of the examples:"
"$wine" "$build/bin/standin.exe" "$build/bin/Tessaly.dll" examples/*.strokes
