#!/usr/bin/env bash
# Builds the Debian package lumerith_<version>_<architecture>.deb and checks
# its desktop entry and software-centre description. The package is built in
# its own folder (build-deb, without tests); BUILD_DIR=<folder> packages an
# existing build instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build-deb}
if [ -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake "$BUILD_DIR"
else
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMERITH_BUILD_TESTS=OFF -DLUMERITH_BUILD_BENCH=OFF
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"
made=$(cd "$BUILD_DIR" && cpack -G DEB)
echo "$made"
deb=$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' <<<"$made")
[ -f "$deb" ] || { echo "No package was made." >&2; exit 1; }

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
appstreamcli validate-tree --no-net "$unpacked"

echo
echo "Package: $deb"
echo "Install it with: sudo apt install $deb"
