#!/usr/bin/env bash
# The desktop benchmark: every load scenario against the built program on
# Xvfb under openbox, with PuTTY beside it where installed. Not part of the
# tests. Usage: bench/desktop/run.sh [seconds per scenario] [words in the names to run]
set -euo pipefail
cd "$(dirname "$0")/../.."
command -v Xvfb >/dev/null && command -v openbox >/dev/null && /usr/bin/python3 -c 'import Xlib' 2>/dev/null \
  || { bash tools/setup-debian.sh && apt-get install -y --no-install-recommends python3-xlib; }
exec /usr/bin/python3 bench/desktop/bench_desktop.py build/src/quillar build/bench/pty_feeder "$@"
