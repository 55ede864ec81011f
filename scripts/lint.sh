#!/usr/bin/env bash
# Style checks: clang-format on every C++ source of the tree, and clang-tidy
# (.clang-tidy) on every program and tool source in the compile database of
# BUILD (default build/lint, configured here). GCC-only warning flags in the
# database are unknown to clang and are not findings.
#
#   scripts/lint.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build/lint"}
cd "$root"
mkdir -p "$build"

mapfile -t sources < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | sort)
format_failed=0
if ! clang-format --dry-run -Werror "${sources[@]}" 2>"$build.format.log"; then
  format_failed=1
  grep -E "^[^ ].*error:" "$build.format.log" | cut -d: -f1 | sort -u | sed 's/^/format: /' | head -40
fi
rm -f "$build.format.log"
echo "format: ${#sources[@]} files checked"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
mapfile -t tidy_sources < <(printf '%s\n' "${sources[@]}" | grep -E '^(src|tools)/.*\.cpp$')
tidy_failed=0
if ! run-clang-tidy -quiet -p "$build" -j "$(nproc)" -extra-arg=-Wno-unknown-warning-option \
    "${tidy_sources[@]/#/$root/}" >"$build/tidy.log" 2>&1; then
  tidy_failed=1
  sed "s/\x1b\[[0-9;]*m//g" "$build/tidy.log" | grep -E "(warning|error):" | sort -u | head -60
fi
echo "tidy: ${#tidy_sources[@]} files checked"

if [[ $format_failed -ne 0 || $tidy_failed -ne 0 ]]; then
  echo "lint: 0 passed, 1 failed"
  exit 1
fi
echo "lint: clean"
