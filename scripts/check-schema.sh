#!/usr/bin/env bash
# Validates what the program prints against docs/report.schema.json: the
# demo installation's report and every output of the end-to-end suite
# (complete reports, state objects, error objects; see
# scripts/check-report-schema.py for how partial outputs are split).
#
#   scripts/check-schema.sh [BUILD]
#       builds the program, mkdemo and the end-to-end tests in BUILD
#       (default build/native; configured when it has no cache yet), runs the
#       end-to-end suite with KX_E2E_OUTPUT_DIR set, runs the demo, checks.
#   scripts/check-schema.sh --outputs DIR [BUILD]
#       checks the outputs that an earlier run of the suite saved in DIR
#       (KX_E2E_OUTPUT_DIR=DIR ctest ...), plus the demo's report; builds
#       only the program and mkdemo.
#
# The last line is the checker's "N passed, N failed"; the exit status is
# not 0 when the suite or the check failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

outputs=""
if [[ "${1:-}" == "--outputs" ]]; then
  outputs=${2:?--outputs needs a folder}
  shift 2
fi
build=${1:-"$root/build/native"}

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

suite_status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ -z "$outputs" ]]; then
  cmake --build "$build" -j"$(nproc)" --target kursexport mkdemo e2e_tests kursexport_faults >/dev/null
  outputs="$work/e2e"
  mkdir -p "$outputs"
  KX_E2E_OUTPUT_DIR="$outputs" ctest --test-dir "$build" -R '^e2e_tests$' --output-on-failure \
    >"$work/e2e.log" 2>&1 || suite_status=$?
  grep -E "tests passed|tests failed" "$work/e2e.log" | sed 's/^/end-to-end suite: /' || true
  if [[ $suite_status -ne 0 ]]; then
    tail -n 40 "$work/e2e.log"
    echo "check-schema: the end-to-end suite failed (status $suite_status); checking its outputs anyway"
  fi
else
  cmake --build "$build" -j"$(nproc)" --target kursexport mkdemo >/dev/null
fi

# The demo as scripts/demo.sh runs it, its output kept byte for byte.
program=$("$build/mkdemo" "$work/demo" "$build/kursexport")
mkdir -p "$work/demo-output"
"$program" >"$work/demo-output/demo.out"

check_status=0
/usr/bin/python3 "$root/scripts/check-report-schema.py" "$work/demo-output" "$outputs" || check_status=$?
if [[ $suite_status -ne 0 ]]; then exit "$suite_status"; fi
exit "$check_status"
