#!/usr/bin/env bash
# Builds both Windows presets and makes their release packages:
# build/packages/CONDVorn-<version>-win32.zip and -win64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cpack --preset "$preset"
done
ls -l build/packages/*.zip
