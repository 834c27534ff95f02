#!/bin/sh
# Opens the interactive stand-in on the user's display, drawing with the
# Tessaly.dll of BUILD_DIR, and records the session to out/session.strokes
# (beside it out/session.bmp). Usage (from the repository):
#   draw.sh BUILD_DIR [standin-gui options...]
# Runs in a private Wine prefix with the X11 driver, BUILD_DIR/gui/wineprefix-x11.
set -eu
build=$1
shift
if [ -z "${DISPLAY:-}" ]; then
  echo "make draw: no display (DISPLAY is not set); the program needs one to open its window." >&2
  exit 1
fi
wine=${TESSALY_WINE:-wine}
export WINEPREFIX="$(cd "$build" && pwd)/gui/wineprefix-x11" WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/.tessaly-ready" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.tessaly-ready"
fi
mkdir -p out
echo "Recording to out/session.strokes; replay it from out/ with standin.exe."
cd out
exec "$wine" "../$build/bin/standin-gui.exe" "../$build/bin/Tessaly.dll" --record session.strokes "$@"
