#!/usr/bin/env bash
# Native lane: the shipped programs built as they ship, the end-to-end suites
# run against them, every output of those suites and the demo's report
# checked against docs/report.schema.json, and the report's decoding recipes
# run with php, python3 and node. The unit tests run in the sanitizer lane
# and, as Windows programs, in the Windows lane; KX_UNIT=1 builds and runs
# them here too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/native"
# -O2 as in RelWithDebInfo, without the debug information that doubles the
# build's time.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
if [ "${KX_UNIT:-}" = 1 ]; then
  cmake --build "$build" -j"$(nproc)"
  tests=.
else
  cmake --build "$build" -j"$(nproc)" --target kursexport kv3dump mkdemo e2e_tests
  tests='^e2e_tests$'
  echo "native lane: end-to-end suites only; the unit tests run in the sanitizer and Windows lanes"
fi
bash "$root/scripts/check-shipped.sh" "$build/kursexport" "$build/kv3dump" "$build/mkdemo"
outputs=$(mktemp -d)
trap 'rm -rf "$outputs"' EXIT
KX_E2E_OUTPUT_DIR="$outputs" ctest --test-dir "$build" --output-on-failure -R "$tests"
bash "$root/scripts/gtest-totals.sh" "$build"
bash "$root/scripts/check-schema.sh" --outputs "$outputs" "$build"
bash "$root/scripts/check-recipes.sh" "$build"
