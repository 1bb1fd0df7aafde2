#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (sanitizers
# on), the reply fuzzer's short run, the 32-bit DLL's checks, and the 64-bit
# DLL's end-to-end tests under Wine against the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# The reply fuzzer (clang, a project of its own): its seeds and regression
# inputs replayed, and a short run.
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz

ctest --preset native
ctest --test-dir build/fuzz --output-on-failure
ctest --preset win32
ctest --preset win64
