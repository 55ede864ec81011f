#!/usr/bin/env bash
# Sanitizer lane: the unit and end-to-end tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, built with clang, whose build also holds the
# libFuzzer targets that scripts/fuzz.sh runs (KX_SANITIZE_BUILD_ONLY=1 only
# builds).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/sanitize"
# Assertions on; -O1 with line tables only, which keeps the build and the
# sanitized runs short and the reports' stack traces readable. The coverage
# feedback the fuzzers need is compiled in as well: one build instead of two.
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DKX_SANITIZE=ON -DKX_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
[ "${KX_SANITIZE_BUILD_ONLY:-}" = 1 ] && exit 0
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build" --output-on-failure
bash "$root/scripts/gtest-totals.sh" "$build"
# ctest shows a passing program's output only in its log: say here when the
# corpus of real tables is absent and how many tests stepped aside for it.
corpus=${KX_CORPUS_DIR:-$root/../shared/corpus}
if [ ! -d "$corpus" ]; then
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:$/\1/p' \
    "$build/Testing/Temporary/LastTest.log" | head -n 1)
  echo "corpus folder $corpus not found: the unit tests that read it are reported as skipped (${skipped:-0} skipped)"
fi
