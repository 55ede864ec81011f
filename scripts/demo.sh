#!/usr/bin/env bash
# Installs what building the program needs (a compiler, make and CMake; not
# the test tool chain), builds the program, kv3dump and mkdemo in
# build/demo-build, writes the demo installation under build/demo (program
# folder build/demo/tarvo/, tables in build/demo/pos/KV3DB/) and runs the
# program there: the exchange-rate report appears on the terminal. One line
# a step goes to standard error; standard output is the report alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/demo-build"
step() { echo "demo: $*" >&2; }
step "installing what the build needs (compiler, make, CMake) where missing"
bash "$root/scripts/install-deps.sh" --demo
step "building kursexport, kv3dump and mkdemo in build/demo-build (a few minutes the first time)"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kursexport kv3dump mkdemo >/dev/null
step "writing the demo installation under build/demo"
rm -rf "$root/build/demo"
program=$("$build/mkdemo" "$root/build/demo" "$build/kursexport")
step "running $program"
"$program"
echo
step "done; build/demo-build/kv3dump --installation build/demo/tarvo tells how the report came about"
