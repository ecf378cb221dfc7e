#!/usr/bin/env bash
# Installs the Debian packages Tessaly needs to build, run and test.
# Idempotent: when everything is present it touches nothing (no apt-get update).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin
  libgl-dev libglx-dev libopengl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
  tinyproxy
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
# tinyproxy's package starts a system-wide daemon; the tests start their own.
if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now tinyproxy >/dev/null 2>&1 || true; fi
$SUDO pkill -x tinyproxy >/dev/null 2>&1 || true
