#!/usr/bin/env bash
# Runs the end-to-end suites of AFTER against the programs (kursexport and
# tests/kursexport_faults) of two builds and compares what each run of the
# program printed, run by run: for a change of structure, every output must
# be the same. Clock readings (hh:mm:ss, and the date beside them on error
# pages) and the process numbers in the suites' scratch folders are masked
# first; runs whose outputs differ are listed, with the first differing line.
#
#   scripts/compare-e2e-outputs.sh BEFORE_BUILD AFTER_BUILD [GTEST_FILTER]
set -euo pipefail
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
filter=${3:-*}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_suites() {  # build, output folder
  mkdir -p "$2" "$work/tmp-$(basename "$2")"
  TMPDIR="$work/tmp-$(basename "$2")" KX_E2E_OUTPUT_DIR="$2" KX_PROGRAM="$1/kursexport" \
    KX_FAULT_PROGRAM="$1/tests/kursexport_faults" KX_KV3DUMP="$after/kv3dump" \
    KX_MKDEMO="$after/mkdemo" "$after/tests/e2e_tests" --gtest_filter="$filter" >"$2.log" 2>&1 ||
    echo "compare: the suites failed against $1 (see the differences below)"
  # <pid>-<run>-<test>.out: the pid differs between the two runs.
  for f in "$2"/*.out; do
    [ -e "$f" ] || continue
    name=$(basename "$f")
    sed -E 's/[0-9]{2}:[0-9]{2}:[0-9]{2}/hh:mm:ss/g; s#[0-9]{2}/[0-9]{2}/[0-9]{2,4}#dd/mm/yy#g
            s#(kx-e2e/[^/ ]*)\.[0-9]+#\1.PID#g; s#tmp-(before|after)#tmp#g' "$f" >"$2/${name#*-}.masked"
    rm "$f"
  done
}

run_suites "$before" "$work/before"
run_suites "$after" "$work/after"
total=0
differ=0
for f in "$work/after"/*.masked; do
  total=$((total + 1))
  other="$work/before/$(basename "$f")"
  if [ ! -e "$other" ]; then
    echo "compare: only after: $(basename "$f" .out.masked)"
    differ=$((differ + 1))
  elif ! cmp -s "$f" "$other"; then
    echo "compare: differs: $(basename "$f" .out.masked)"
    { diff "$other" "$f" || true; } | sed -n '2p;4p' | cut -c1-160 | sed 's/^/    /'
    differ=$((differ + 1))
  fi
done
only_before=$(comm -23 <(cd "$work/before" && ls -- *.masked 2>/dev/null | sort) \
  <(cd "$work/after" && ls -- *.masked 2>/dev/null | sort) | wc -l)
echo "compare: $total runs, $((total - differ)) identical, $differ differ, $only_before only before"
