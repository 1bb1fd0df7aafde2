#!/usr/bin/env bash
# Runs the reply fuzzer for as long as you like: until stopped (Ctrl-C), or
# as libFuzzer's options given here say, such as -runs=10000000,
# -max_total_time=3600 or -jobs=2 -workers=2. The corpus grows in
# build/fuzz/corpus; a finding is written to build/fuzz/findings/ (replay it
# with build/fuzz/reply_fuzzer FILE, and keep it in fuzz/regressions/ once
# fixed).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz
mkdir -p build/fuzz/corpus build/fuzz/findings
exec build/fuzz/reply_fuzzer -dict=fuzz/replies.dict -timeout=20 -rss_limit_mb=4096 \
  -artifact_prefix=build/fuzz/findings/ -print_final_stats=1 "$@" \
  build/fuzz/corpus build/fuzz/seeds fuzz/regressions
