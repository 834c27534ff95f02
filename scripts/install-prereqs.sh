#!/bin/sh
# Installs what the build and the tests need on Debian bookworm, and nothing
# when all of it is present. The 64-bit mingw and wine64 serve machines whose
# kernel cannot run 32-bit programs (see the Makefile's test target); Xvfb,
# xdotool and ImageMagick drive and photograph the interactive stand-in, and
# IPA Gothic gives Wine the Japanese characters of a pen's description.
# Runs apt as root (directly, or through sudo).
set -eu

packages="cmake make g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 libstb-dev zip python3 clang-format
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xdotool imagemagick
  fonts-ipafont-gothic"

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
# apt's messages as the retry below reads them.
export LC_ALL=C
# A mirror caught mid-sync fails one index or another; the lists at hand
# usually still hold everything, and the install below says if they do not.
$sudo apt-get update -q || echo "Warning: apt-get update failed in part; installing from the package lists at hand." >&2
# Nothing is ever removed: apt would rather take out a package (wine64, or a
# library whose i386 twin it cannot match) than fail, and -y would let it.
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-remove $missing && exit 0

# The i386 packages need i386 lists that match the installed amd64 libraries
# version for version (they are "Multi-Arch: same"). A partial update can
# leave the security archive's i386 list out: the amd64 libraries then come
# from the security archive and their i386 twins from the point release
# only, and apt resolves nothing. So the whole install is tried again in one
# command with the point release preferred, wine and wine64 named beside
# wine32 (installed alone that way it takes wine64 out), and the gstreamer
# library that apt does not pick by itself. What still stands in the way are
# installed packages at a newer version than the point release's, the amd64
# twins above all: those that apt would remove, or names in a relation it
# cannot meet, get the point release's version (a downgrade), found with
# apt-cache, in a few rounds of simulated installs.
release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")

# PACKAGE's version in the point release itself (not its updates), or nothing.
point_release_version() {
  apt-cache madison "$1" 2>/dev/null |
    awk -F'|' -v suite=" $release/" 'index($3, suite) { gsub(/ /, "", $2); print $2; exit }'
}

# Pins (NAME=VERSION) for the packages named on standard input, one a line:
# each installed one whose version is not the point release's.
pins_for() {
  while read -r name; do
    installed=$(apt-cache policy "$name" 2>/dev/null | awk '$1 == "Installed:" { print $2; exit }')
    case $installed in "" | "(none)") continue ;; esac
    version=$(point_release_version "$name")
    case $version in "" | "$installed") ;; *) echo "$name=$version" ;; esac
  done
}

install_from_point_release() {
  [ -n "$release" ] || return 1
  want=$missing
  case " $missing " in *" wine32:i386 "*) want="$want wine wine64 libgstreamer-plugins-base1.0-0:i386" ;; esac
  pins=""
  round=0
  while [ $round -lt 8 ]; do
    round=$((round + 1))
    # shellcheck disable=SC2086
    plan=$(apt-get install -s -q -t "$release" --allow-downgrades $want $pins 2>&1) && ok=1 || ok=0
    if [ "$ok" -eq 1 ] && ! printf '%s\n' "$plan" | grep -q '^Remv '; then
      [ -z "$pins" ] || echo "Downgrading to the $release release, to match the i386 packages:$pins" >&2
      # shellcheck disable=SC2086
      $sudo apt-get install -y -q -t "$release" --no-remove --allow-downgrades $want $pins
      return
    fi
    # The packages the plan removes, and those named in the relations it
    # cannot meet ("X : Breaks: Y (...)", "    Depends: Z (...)"), by their
    # amd64 names; those not pinned yet.
    more=$(printf '%s\n' "$plan" |
      sed -n -e 's/^Remv \([^ ]*\) .*/\1/p' -e 's/^ *\([^ ]*\) : [A-Za-z-]*: \([^ ]*\).*/\1\n\2/p' \
        -e 's/^  *[A-Z][A-Za-z-]*: \([^ ]*\).*/\1/p' |
      sed -e 's/:i386$//' -e 's/:amd64$//' | sort -u | pins_for)
    new=""
    for pin in $more; do case " $pins " in *" $pin "*) ;; *) new="$new $pin" ;; esac; done
    # Nothing more to pin: the point release cannot help either.
    [ -n "$new" ] || return 1
    pins="$pins$new"
  done
  return 1
}

case $missing in
  *:i386*)
    echo "Warning: the i386 packages could not be resolved; trying again with the $release release preferred." >&2
    install_from_point_release && exit 0 ;;
esac

# Still nothing: the rest is installed alone. Without the i386 packages the
# Windows tests report themselves skipped and the 64-bit build of the pen
# runs under wine64 instead (see the Makefile's test target).
native=""
for p in $missing; do case $p in *:i386) ;; *) native="$native $p" ;; esac; done
[ "$native" = "$missing" ] && exit 1
echo "Warning: could not install the i386 packages; installing the rest. The Windows tests will use the 64-bit build under wine64." >&2
# shellcheck disable=SC2086
[ -z "$native" ] || $sudo apt-get install -y -q --no-remove $native
