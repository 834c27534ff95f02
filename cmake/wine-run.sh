#!/bin/sh
# Runs a Windows test under Wine, or reports it skipped (status 77) on a
# machine whose kernel cannot run 32-bit programs at all, where Wine cannot
# start. Any other failure of Wine is the test's own failure.
#   wine-run.sh PROGRAM.exe [ARG...]     the program under wine
#   wine-run.sh --host COMMAND [ARG...]  a host command that drives wine itself
set -eu
if ! probe=$(/usr/lib/wine/wine --version 2>&1); then
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
exec wine "$@"
