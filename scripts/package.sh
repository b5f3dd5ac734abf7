#!/usr/bin/env bash
# Builds the program and its Debian package in build/default and prints the package's path.
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh >&2
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target kestrovane >&2
rm -f build/default/kestrovane_*.deb
(cd build/default && cpack -G DEB >&2)
package=$(ls build/default/kestrovane_*.deb)
echo "$(pwd)/$package"
