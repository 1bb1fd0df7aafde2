#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (sanitizers
# on), the reply fuzzer's short run, the 32-bit DLL's checks, and the 64-bit
# DLL's end-to-end tests under Wine against the simulator.
#
# The tests spend most of their time asleep in the library's waits, so they
# run in the background beside the builds: the soak as soon as the
# simulator, the DLL and its test host are built, the other Wine tests once
# the 64-bit build is complete, the native tests once the native build is.
# The builds beside them run at the lowest priority, so that the tests'
# processes answer as promptly as on an idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

configure() { cmake --preset "$1" >/dev/null; }

background_pids=()
background_logs=()
trap 'for pid in "${background_pids[@]}"; do kill -- -"$pid" 2>/dev/null || true; done' EXIT
# Runs a command in a process group of its own, its output to a log file.
background() {
  local log=$1
  shift
  setsid "$@" >"$log" 2>&1 &
  background_pids+=($!)
  background_logs+=("$log")
}

configure native
cmake --build --preset native --target vornsim
configure win64
cmake --build --preset win64 --target CONDVorn condhost
background build/win64/soak.log ctest --test-dir build/win64/tests/wine/soak --output-on-failure

cmake --build --preset win64
background build/win64/wine-tests.log ctest --preset win64 --exclude-regex '^wine_test_soak$'

nice -n 19 cmake --build --preset native
background build/native/tests.log ctest --preset native

configure win32
nice -n 19 cmake --build --preset win32
# The reply fuzzer (clang, a project of its own): its seeds and regression
# inputs replayed, and a short run.
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
nice -n 19 cmake --build build/fuzz

status=0
for i in "${!background_pids[@]}"; do
  wait "${background_pids[$i]}" || status=1
  cat "${background_logs[$i]}"
done
background_pids=()
[ "$status" -eq 0 ] || exit "$status"

ctest --test-dir build/fuzz --output-on-failure
ctest --preset win32
