#!/usr/bin/env bash
# Builds Quillar and starts it beside a simulated device on COM1, so data
# arrives without any serial hardware. Pass --no-device to start it alone,
# where a COM1 that leads nowhere keeps it off the machine's own ports.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh

# The program keeps Quillar.ini and looks for COM<N> links in its working
# directory; the demo uses one of its own.
workdir=build/demo
mkdir -p "$workdir"
cd "$workdir"

device_pid=
if [ "${1:-}" = "--no-device" ]; then
  [ -e COM1 ] || [ -L COM1 ] || ln -s no-device COM1
else
  ../tools/fake-device/fake-device --port 1 --rate 480 --mode bursts --burst 40 --pause 700 &
  device_pid=$!
  trap '[ -n "$device_pid" ] && kill "$device_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e COM1 ] && break; sleep 0.1; done
  [ -e COM1 ] || { echo "run.sh: the simulated device did not link COM1" >&2; exit 1; }
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ../src/quillar
else
  echo "No desktop display found: starting Quillar on a virtual display (xvfb-run); stop it with Ctrl+C." >&2
  xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" ../src/quillar
fi
