#!/usr/bin/env bash
# Builds the Debian package trovik_<version>_<arch>.deb from the default build
# tree and prints its path. Install it with `sudo apt install ./<that path>`.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "${TROVIK_JOBS:-2}"
out="build/package"
rm -rf "$out"
(cd build/default && cpack -G DEB -B "$PWD/../package" >/dev/null)
rm -rf "$out/_CPack_Packages"
deb="$(ls "$out"/trovik_*.deb)"
echo "$deb"
