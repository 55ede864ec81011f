#!/usr/bin/env bash
# Builds the program, writes the demo installation under build/demo and runs
# the program there: the exchange-rate report appears on the terminal.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/native"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target kursexport mkdemo >/dev/null
rm -rf "$build/demo"
program=$("$build/mkdemo" "$build/demo" "$build/kursexport")
"$program"
echo
