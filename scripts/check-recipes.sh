#!/usr/bin/env bash
# Runs the decoding recipes of docs/report.md ("Text encoding") with php,
# python3 and node on the program's report of a demo installation whose
# currency names hold every byte 0x80 to 0xFF, and checks what each decodes
# (scripts/check-recipes.py says how). php-cli and nodejs must be installed
# (scripts/install-deps.sh); a missing client fails the check.
#
#   scripts/check-recipes.sh [BUILD]
#       builds the program and mkdemo in BUILD (default build/native;
#       configured when it has no cache yet), then checks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build/native"}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target kursexport mkdemo >/dev/null
/usr/bin/python3 "$root/scripts/check-recipes.py" "$build"
