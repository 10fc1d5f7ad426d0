#!/usr/bin/env bash
# Installs what building, running and testing Quillar needs on Debian 12.
# Run as root. Safe to run again.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev libxcb1-dev
  libbenchmark-dev
  fonts-dejavu-core
  xvfb xauth
  # the desktop tier: window managers, real input, the accessibility bus
  openbox icewm xdotool wmctrl x11-utils
  dbus-daemon dbus-bin at-spi2-core python3 python3-gi gir1.2-atspi-2.0
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
