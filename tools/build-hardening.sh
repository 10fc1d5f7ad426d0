#!/usr/bin/env bash
# Builds the hardening tree, build-hardening/: everything with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets of
# tests/fuzz. With target names, only those.
#
#   tools/build-hardening.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ > /dev/null || [ -z "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a | grep /)" ]; then
  echo "build-hardening.sh: clang and libFuzzer are missing: run tools/setup-debian.sh as root" >&2
  exit 1
fi
if [ ! -f build-hardening/CMakeCache.txt ]; then
  # -O1 with line tables: reports with file and line, at half the build time of -O2 -g.
  CC=clang CXX=clang++ cmake -S . -B build-hardening -DQUILLAR_FUZZ=ON -DQUILLAR_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only" > /dev/null
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build build-hardening -j"$(nproc)" "${targets[@]}"
