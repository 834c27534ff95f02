#!/bin/sh
# Runs a Windows test under Wine, or reports it skipped (status 77) on a
# machine whose kernel cannot run 32-bit programs at all, where Wine cannot
# start. Any other failure of Wine is the test's own failure.
# TESSALY_WINE names the loader (default wine; wine64 for the 64-bit build).
#   wine-run.sh PROGRAM.exe [ARG...]     the program under wine
#   wine-run.sh --host COMMAND [ARG...]  a host command that drives wine itself
set -eu
wine=${TESSALY_WINE:-wine}
if ! probe=$("$wine" --version 2>&1); then
  case $probe in
    *"Exec format error"*)
      echo "SKIPPED: this machine's kernel cannot run 32-bit programs, so Wine cannot start." >&2
      exit 77 ;;
  esac
fi
if [ "${1:-}" = --host ]; then
  shift
  exec "$@"
fi
exec "$wine" "$@"
