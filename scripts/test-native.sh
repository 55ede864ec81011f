#!/usr/bin/env bash
# Native lane: build and run every test, then check every output of the
# end-to-end suite and the demo's report against docs/report.schema.json.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/native"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
bash "$root/scripts/check-shipped.sh" "$build/kursexport" "$build/kv3dump" "$build/mkdemo"
outputs=$(mktemp -d)
trap 'rm -rf "$outputs"' EXIT
KX_E2E_OUTPUT_DIR="$outputs" ctest --test-dir "$build" --output-on-failure
# ctest shows a passing program's output only on failure: say here when the
# corpus of real tables is absent and how many tests stepped aside for it.
corpus=${KX_CORPUS_DIR:-$root/../shared/corpus}
if [ ! -d "$corpus" ]; then
  skipped=$("$build/tests/unit_tests" --gtest_brief=1 2>/dev/null |
    sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}\.$/\1/p')
  echo "corpus folder $corpus not found: the tests that read it are reported as skipped ($skipped skipped in all)"
fi
bash "$root/scripts/check-schema.sh" --outputs "$outputs" "$build"
