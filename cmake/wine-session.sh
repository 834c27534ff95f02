# Sourced (from the repository) by the scripts that run a Windows build's
# programs under Wine, in the build's private headless prefix (the one its
# tests use): starts that prefix's wineserver and stops it when the script
# exits. Set `build` (the build folder) and `unable` (what to say where Wine
# cannot run) first; sets `wine` (TESSALY_WINE, default wine), WINEPREFIX and
# WINEDEBUG.
prefix=$(cd "$build" && pwd)/wineprefix
if ! sh cmake/wine-run.sh --host true; then
  echo "$unable" >&2
  exit 1
fi
wine=${TESSALY_WINE:-wine}
cmake/wine-prefix.sh start "$prefix"
trap 'cmake/wine-prefix.sh stop "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all
