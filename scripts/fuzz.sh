#!/usr/bin/env bash
# Runs the libFuzzer targets of the sanitizer build (build/sanitize, built by
# scripts/test-sanitize.sh when missing) side by side, one a core. Each first
# runs the inputs that once failed (tests/fuzz/regressions/NAME), then fuzzes
# from seeds made by the table writers for KX_FUZZ_RUNS inputs (default
# 50000) or SECONDS (default 60), whichever ends first. The random seed is
# fixed (KX_FUZZ_SEED, default 1), so a lane explores the same inputs on
# every machine fast enough to reach the run count; set another seed, more
# runs and more seconds to look further.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-60}"
runs="${KX_FUZZ_RUNS:-50000}"
seed="${KX_FUZZ_SEED:-1}"
build="$root/build/sanitize"
if [ ! -x "$build/tests/dbf_fuzz" ] || [ ! -x "$build/tests/cdx_fuzz" ]; then
  KX_SANITIZE_BUILD_ONLY=1 bash "$root/scripts/test-sanitize.sh"
fi
names=(dbf_fuzz cdx_fuzz)
pids=()
for name in "${names[@]}"; do
  fuzzer="$build/tests/$name"
  seeds="$build/seeds/$name"
  corpus="$build/corpus/$name"
  mkdir -p "$seeds" "$corpus"
  case "$name" in
    dbf_fuzz) "$fuzzer" --write-seeds="$seeds" >/dev/null 2>&1 || true ;;
    cdx_fuzz) KX_CDX_FUZZ_SEEDS="$seeds" "$fuzzer" >/dev/null 2>&1 || true ;;
  esac
  regressions="$root/tests/fuzz/regressions/$name"
  if [ -d "$regressions" ]; then
    echo "$name: $(ls "$regressions" | wc -l) inputs that once failed"
    if ! "$fuzzer" "$regressions"/* > "$build/$name.regressions.log" 2>&1; then
      tail -n 40 "$build/$name.regressions.log"
      echo "fuzz: 0 passed, 1 failed"
      exit 1
    fi
  fi
  echo "fuzzing $name: seed $seed, $runs inputs or ${seconds}s ($(ls "$seeds" | wc -l) seeds)"
  "$fuzzer" -seed="$seed" -runs="$runs" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$corpus" "$seeds" > "$build/$name.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!names[@]}"; do
  log="$build/${names[$i]}.log"
  if ! wait "${pids[$i]}"; then
    failed=1
    tail -n 40 "$log"
  fi
  echo "${names[$i]}: $(grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$log" | tail -n 1 || true)"
done
if [ "$failed" -ne 0 ]; then
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi
