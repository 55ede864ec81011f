#!/usr/bin/env bash
# Structure figures of a checkout, for comparing two commits:
#   - mutable static storage in the program's code (libkxcore.a of BUILD):
#     function-local and namespace-scope variables in .bss and .data;
#   - pairs of runtime/ sub-folders that include each other;
#   - definitions of generic error codes (kGen... = N);
#   - the highest cognitive complexities of src/ and tools/ functions
#     (clang-tidy, over BUILD's compile database);
#   - the first line of `duplicates` over src/ and over tools/, where the
#     tool is installed.
#
#   scripts/structure-report.sh [BUILD]   (default build/lint, configured
#                                          with a compile database and built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build/lint"}
cd "$root"
cmake -S "$root" -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kxcore >/dev/null

# objdump -t: "... .bss  size  name"; guard variables and iostream's
# initializer are the compiler's, not the code's.
objdump -t -C "$build/libkxcore.a" | awk '$0 ~ / \.(bss|data)[ \t]/' |
  grep -vE 'guard variable|__ioinit|\.bss$|\.data$' | sed 's/.*\t[0-9a-f]* *//' | sort -u >"$build/state.txt"
local_count=$(sed 's/(anonymous namespace)//g' "$build/state.txt" | grep -c ')[a-z ]*::' || true)
total=$(wc -l <"$build/state.txt")
echo "mutable state: $local_count function-local, $((total - local_count)) namespace-scope (list: $build/state.txt)"

declare -A edge=()
for from in src/runtime/*/; do
  a=$(basename "$from")
  for b in $(grep -rhoE '#include "runtime/[a-z_]+/' "$from" | sed 's|.*runtime/||;s|/||' | sort -u); do
    [[ $a != "$b" ]] && edge[$a,$b]=1
  done
done
cycles=()
for key in "${!edge[@]}"; do
  a=${key%,*}
  b=${key#*,}
  [[ $a < $b && -n ${edge[$b,$a]+set} ]] && cycles+=("$a<->$b")
done
echo "runtime/ folders including each other: ${#cycles[@]} ${cycles[*]}"

echo "generic error code definitions: $(grep -rhE 'constexpr uint32_t kGen[A-Za-z]+ = ' src tools | wc -l)" \
  "($(grep -rhoE 'constexpr uint32_t kGen[A-Za-z]+ = ' src tools | sort | uniq -d | wc -l) defined twice)"

mapfile -t tidy_sources < <(git ls-files -co --exclude-standard -- 'src/*.cpp' 'tools/*.cpp' | sort)
run-clang-tidy -quiet -p "$build" -j "$(nproc)" -extra-arg=-Wno-unknown-warning-option \
  -checks='-*,readability-function-cognitive-complexity' \
  -config='{CheckOptions: [{key: readability-function-cognitive-complexity.Threshold, value: 20}]}' \
  "${tidy_sources[@]/#/$root/}" 2>/dev/null | sed "s/\x1b\[[0-9;]*m//g" |
  sed -n "s/^\(\/[^:]*\):[0-9]*:[0-9]*: warning: function '\([^']*\)' has cognitive complexity of \([0-9]*\).*/\3 \2 (\1)/p" |
  sed "s|$root/||" | sort -u | sort -rn | head -5 | sed 's/^/cognitive complexity: /'

if command -v duplicates >/dev/null; then
  echo "duplicates src: $(duplicates --repo src | head -1)"
  echo "duplicates tools: $(duplicates --repo tools | head -1)"
fi
