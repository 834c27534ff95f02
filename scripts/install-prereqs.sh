#!/bin/sh
# Installs what the build and the tests need on Debian bookworm, and nothing
# when all of it is present. The 64-bit mingw and wine64 serve machines whose
# kernel cannot run 32-bit programs (see the Makefile's test target); Xvfb,
# xdotool and ImageMagick drive and photograph the interactive stand-in.
# Runs apt as root (directly, or through sudo).
set -eu

packages="cmake make g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 libstb-dev zip python3 clang-format
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xdotool imagemagick"

missing=""
for p in $packages; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case $status in *"install ok installed"*) ;; *) missing="$missing $p" ;; esac
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; elif command -v sudo >/dev/null; then sudo="sudo"; else
  echo "Missing packages:$missing; run this script as root to install them." >&2
  exit 1
fi
case $missing in
  *:i386*)
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index or another; the lists at hand
# usually still hold everything, and the install below says if they do not.
$sudo apt-get update -q || echo "Warning: apt-get update failed in part; installing from the package lists at hand." >&2
# shellcheck disable=SC2086
$sudo apt-get install -y -q $missing && exit 0

# The i386 packages need i386 lists that match the installed amd64 libraries
# version for version, and a partial update can leave them out. Without them
# the Windows tests report themselves skipped and the 64-bit build of the pen
# runs under wine64 instead (see the Makefile's test target).
native=""
for p in $missing; do case $p in *:i386) ;; *) native="$native $p" ;; esac; done
[ "$native" = "$missing" ] && exit 1
echo "Warning: could not install the i386 packages; installing the rest. The Windows tests will use the 64-bit build under wine64." >&2
# shellcheck disable=SC2086
[ -z "$native" ] || $sudo apt-get install -y -q $native
