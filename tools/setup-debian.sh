#!/usr/bin/env bash
# Installs what building, running and testing Quillar needs on Debian 12.
# Run as root. Safe to run again.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  clang-format        # the format check of the tests (.clang-format)
  qt6-base-dev libgl-dev libxcb1-dev
  qt6-translations-l10n   # Qt's own dialogs and buttons in the window's Italian
  libbenchmark-dev
  fonts-dejavu-core
  xvfb xauth
  # the desktop tier and the unplug soak: window managers, real input, the accessibility bus
  openbox icewm xdotool wmctrl x11-utils
  dbus-daemon dbus-bin at-spi2-core python3 python3-gi gir1.2-atspi-2.0
  python3-xlib        # the desktop tier reads the screen's pixels and the clipboard
  dpkg-dev            # dpkg-shlibdeps: the package's dependencies from the binary
  desktop-file-utils  # desktop-file-validate for the menu entry
  appstream           # appstreamcli validate for the metadata
  man-db              # man --warnings for the manual page
  lintian             # checks the Debian package
  file                # tells the installed icons' sizes
  # clang with libFuzzer and the sanitizer runtimes: the fuzz targets and the
  # sanitizer build (tools/fuzz.sh, tools/ci-hardening.sh)
  clang
  libclang-rt-14-dev
  # the remote-port tests run the real ser2net on the loopback
  ser2net
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  # Waits for other installs on the same machine instead of failing.
  apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
fi
