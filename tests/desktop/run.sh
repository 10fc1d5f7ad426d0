#!/usr/bin/env bash
# The desktop tier: the real program on Xvfb with real window managers, read
# over AT-SPI. Needs what tools/setup-debian.sh installs; a session bus of its
# own keeps it apart from any desktop it runs on.
set -euo pipefail
exec dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/desktop_tier.py" "$@"
