#!/usr/bin/env bash
# Installs what is needed, builds the application and starts it (on the
# simulated scanner, as the build's MFPCFG.INI says).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" -j"$(nproc)" --target lumerith
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display. Run it in a virtual one with:"
  echo "  xvfb-run -a -s '-screen 0 1280x800x24' $BUILD_DIR/bin/lumerith"
  exit 1
fi
exec "$BUILD_DIR/bin/lumerith" "$@"
