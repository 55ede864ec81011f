#!/usr/bin/env bash
# Native lane: build and run every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/native"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure
