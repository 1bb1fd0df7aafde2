#!/usr/bin/env bash
# Builds the command-line host and the simulator vornsim (which the README's
# recipes use), and shows a guided session on the built-in conditioner
# simulator: no hardware needed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target vornctl vornsim
build/native/tools/vornctl/vornctl demo
