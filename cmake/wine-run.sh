#!/bin/sh
# Runs a Windows test under Wine, or reports it skipped (status 77) on a
# machine whose kernel cannot run 32-bit programs at all, where Wine cannot
# start. Any other failure of Wine is the test's own failure.
# TESSALY_WINE names the loader (default wine; wine64 for the 64-bit build).
#   wine-run.sh PROGRAM.exe [ARG...]     the program under wine
#   wine-run.sh --host COMMAND [ARG...]  a host command that drives wine itself
set -eu
wine=${TESSALY_WINE:-wine}
# Debian's wine script falls back to wine64 when wine32 is missing, and says
# so only when WINEDEBUG leaves its hints on.
probe=$(WINEDEBUG= "$wine" --version 2>&1) || true
case $probe in
  *"Exec format error"*)
    echo "SKIPPED: this machine's kernel cannot run 32-bit programs, so Wine cannot start." >&2
    exit 77 ;;
  *"wine32 is missing"*)
    echo "SKIPPED: 32-bit Wine (wine32:i386) is not installed on this machine." >&2
    exit 77 ;;
esac
if [ "${1:-}" = --host ]; then
  shift
  exec "$@"
fi
exec "$wine" "$@"
