#!/usr/bin/env bash
# Sanitizer lane: the same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/sanitize"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build" --output-on-failure
