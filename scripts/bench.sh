#!/usr/bin/env bash
# Builds the benchmark without sanitizers (build/bench) and the 64-bit DLL,
# then runs it: the table goes to the terminal and, as JSON, to
# build/bench/bench.json. It takes a few minutes of real time (the scans
# alone are about 8 s each, three times over); run it on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCONDVORN_SANITIZE=OFF >/dev/null
cmake --build build/bench --target vornbench vornsim
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target CONDVorn benchhost

python3 bench/run_bench.py \
  --vornbench build/bench/bench/vornbench --vornsim build/bench/sim/vornsim/vornsim \
  --dll build/win64/CONDVorn.dll --benchhost build/win64/bench/benchhost.exe \
  --wine-dir build/bench/wine --json build/bench/bench.json
