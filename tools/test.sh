#!/usr/bin/env bash
# Builds Quillar and runs every test (under the offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
