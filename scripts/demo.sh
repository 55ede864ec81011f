#!/usr/bin/env bash
# Installs what building the program needs (a compiler, make and CMake; not
# the test tool chain), builds the program and mkdemo in build/demo-build,
# writes the demo installation under build/demo (program folder
# build/demo/tarvo/, tables in build/demo/pos/KV3DB/) and runs the program
# there: the exchange-rate report appears on the terminal.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/demo-build"
bash "$root/scripts/install-deps.sh" --demo
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kursexport mkdemo >/dev/null
rm -rf "$root/build/demo"
program=$("$build/mkdemo" "$root/build/demo" "$build/kursexport")
"$program"
echo
