#!/usr/bin/env bash
# Fails when a C++ file of the tree is not as clang-format (.clang-format) writes it.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed (tools/setup-debian.sh installs it)"; exit 1; }
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "every C++ file is formatted"
