#!/usr/bin/env bash
# Installs what building, running and testing Quillar needs on Debian 12.
# Run as root. Safe to run again.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libbenchmark-dev
  fonts-dejavu-core
  xvfb xauth
  # clang with libFuzzer and the sanitizer runtimes: the fuzz targets and the
  # sanitizer build (tools/fuzz.sh, tools/ci-hardening.sh)
  clang
  libclang-rt-14-dev
  # a window manager on the virtual display, as on a desktop: the unplug soak
  # in tools/ci-hardening.sh
  openbox
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
