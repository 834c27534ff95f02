#!/bin/sh
# Packs a Windows build's shipped files into OUT_DIR/Tessaly-VERSION.zip and
# writes their checksum to OUT_DIR/SHA256SUMS: the library, the install note
# with Windows line ends, and the stand-in's two programs and the validator a
# user runs when something goes wrong. The same files give the same archive byte for byte
# (make test checks it): the entries in a fixed order, with fixed modes, no
# owners or extra time stamps, and one fixed date, 1980-02-01 00:00. That is
# the zip format's epoch (1980-01-01, in local time) plus a month, so that no
# time zone can move it before the epoch when a tool converts it; it says
# plainly that the date means nothing, and the archive depends on its files
# alone, not on when or from which commit it was packed.
# Usage (from anywhere): pack-dist.sh BUILD_DIR OUT_DIR
set -eu
build=$1
out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project.Tessaly VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
zip=Tessaly-$version.zip

stage=$out/stage
rm -rf "$stage"
mkdir -p "$stage/standin"
cp "$build/bin/Tessaly.dll" "$stage/"
cp "$build/bin/standin.exe" "$build/bin/standin-gui.exe" "$build/bin/pencheck.exe" "$stage/standin/"
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/resources/INSTALL.txt" >"$stage/INSTALL.txt"
entries="Tessaly.dll INSTALL.txt standin/standin.exe standin/standin-gui.exe standin/pencheck.exe"

rm -f "$out/$zip" "$out/SHA256SUMS"
(
  cd "$stage"
  export TZ=UTC
  # shellcheck disable=SC2086
  chmod 644 $entries
  # shellcheck disable=SC2086
  touch -d '1980-02-01 00:00:00' $entries
  # shellcheck disable=SC2086
  zip -X -q "../$zip" $entries
)
rm -rf "$stage"
(cd "$out" && sha256sum "$zip" >SHA256SUMS)
echo "$out/$zip"
echo "$out/SHA256SUMS"
