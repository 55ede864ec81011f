#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-60}"
build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKX_FUZZ=ON -DKX_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
for fuzzer in "$build"/tests/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  if "$fuzzer" --help-seeds >/dev/null 2>&1; then :; fi
  seeds="$build/seeds/$name"
  mkdir -p "$seeds"
  KX_FUZZ_SEED_DIR="$seeds" "$build/tests/unit_tests" --gtest_filter='FuzzSeeds*' >/dev/null 2>&1 || true
  echo "fuzzing $name for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "$seeds" 2>&1 | tail -n 12
done
