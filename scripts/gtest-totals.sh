#!/usr/bin/env bash
# Prints GoogleTest's own totals from a build's last ctest run (ctest counts
# each test program as one test):
#
#   scripts/gtest-totals.sh BUILD
log="$1/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit 0
grep -E '^(\[==========\] [0-9]+ tests? from .* ran|\[  (PASSED|FAILED|SKIPPED)  ?\] [0-9]+ tests?)' "$log" |
  sed 's/^/gtest: /' || true
