#!/bin/sh
# Creates (once) a private, headless Wine prefix and keeps one wineserver
# running for the tests; `stop` ends it. Usage: wine-prefix.sh start|stop DIR
set -eu
action=$1
export WINEPREFIX=$2 WINEDEBUG=-all
wine=${TESSALY_WINE:-wine}
case $action in
  start)
    if [ ! -f "$WINEPREFIX/.tessaly-ready" ]; then
      rm -rf "$WINEPREFIX"
      "$wine" wineboot -i >/dev/null 2>&1
      # The null driver gives real windows and combo boxes without a display.
      "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.tessaly-ready"
    fi
    # A persistent server and the prefix's services, started here with our
    # output detached: a service that a test program started would inherit its
    # stderr and keep CTest waiting for the end of that stream.
    # One left running (by an interrupted run, or `make demo`) serves as well.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    "$wine" wineboot </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
esac
