#!/usr/bin/env bash
# Cross-builds kestrovane.exe and makes the two Windows release files in build/mingw/release,
# printing their paths, one a line:
#   kestrovane-VERSION-win64.zip         kestrovane.exe, README.txt, LICENSE.txt
#   kestrovane-VERSION-setup-win64.exe   the per-user installer (NSIS)
#   scripts/package-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup-deps.sh >&2
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)" --target kestrovane >&2
version=$(sed -n 's/^project(Kestrovane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }

out="$root/build/mingw/release"
stage="$out/kestrovane-$version-win64"
rm -rf "$out"
mkdir -p "$stage"
cp build/mingw/src/winapp/kestrovane.exe "$stage/"
# Windows line ends for the texts, so Notepad shows them right everywhere.
sed 's/$/\r/' packaging/windows/README.txt >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"

zipfile="$out/kestrovane-$version-win64.zip"
(cd "$out" && zip -q -X -r "$zipfile" "kestrovane-$version-win64")
setup="$out/kestrovane-$version-setup-win64.exe"
makensis -V2 -DVERSION="$version" -DEXE="$stage/kestrovane.exe" -DLICENSE="$stage/LICENSE.txt" \
  -DREADME="$stage/README.txt" -DOUTFILE="$setup" packaging/windows/kestrovane.nsi >&2
echo "$zipfile"
echo "$setup"
