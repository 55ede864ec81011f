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
bash "$root/scripts/check-schema.sh" --outputs "$outputs" "$build"
