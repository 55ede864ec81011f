#!/usr/bin/env bash
# Whole-run benchmark: builds the program and the benchmark tools (Release),
# generates the installations under build/bench-data (kept between runs) and
# prints the table of median wall times, ratios and peak memory, then (with
# strace installed) what the program's system calls alone cost.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKX_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kursexport gen_installation floor_program syscall_replay whole_run
"$build/bench/whole_run" "$build/kursexport" "$build/bench/floor_program" "$root/build/bench-data" "${1:-21}"
