#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (sanitizers
# on), the reply fuzzer's short run, the 32-bit DLL's checks, and the 64-bit
# DLL's end-to-end tests under Wine against the simulator.
#
# The Wine soak spends minutes asleep in the library's channel selections, so
# it starts as soon as the 64-bit DLL and the simulator are built and runs
# beside the rest of the builds and tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

configure() { cmake --preset "$1" >/dev/null; }

# The soak first needs only the simulator, the DLL and its test hosts.
configure native
cmake --build --preset native --target vornsim
configure win64
cmake --build --preset win64 --target CONDVorn condhost stresshost

soak_log=build/win64/soak.log
setsid ctest --test-dir build/win64/tests/wine/soak --output-on-failure >"$soak_log" 2>&1 &
soak_pid=$!
trap 'kill -- -"$soak_pid" 2>/dev/null || true' EXIT

cmake --build --preset native
cmake --build --preset win64
configure win32
cmake --build --preset win32
# The reply fuzzer (clang, a project of its own): its seeds and regression
# inputs replayed, and a short run.
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz

ctest --preset native
ctest --test-dir build/fuzz --output-on-failure
ctest --preset win32
ctest --preset win64 --exclude-regex '^wine_test_soak$'

soak_status=0
wait "$soak_pid" || soak_status=$?
trap - EXIT
cat "$soak_log"
exit "$soak_status"
