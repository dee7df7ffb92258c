#!/usr/bin/env bash
# Installs every Debian package the project needs; does nothing when all are present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache
  qtbase5-dev qtbase5-dev-tools qtwebengine5-dev qttools5-dev qttools5-dev-tools
  qt5-image-formats-plugins
  libjpeg-dev libtiff-dev zlib1g-dev
  libsane-dev sane-utils
  libthrift-dev thrift-compiler libboost-dev
  libjpeg-turbo-progs poppler-utils curl
  xvfb xauth
  dpkg-dev file appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
