#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (sanitizers
# on), the 32-bit DLL's checks, and the 64-bit DLL's end-to-end tests under
# Wine against the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset native
ctest --preset win32
ctest --preset win64
