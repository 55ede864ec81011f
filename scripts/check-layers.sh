#!/usr/bin/env bash
# Layer check: reads the #include "folder/..." lines of every source under
# src/ and fails when a folder includes one that it may not. The allowed
# dependencies below are the architecture: each layer may include only the
# layers listed for it (all of them lower), so the include graph stays acyclic.
#
#   scripts/check-layers.sh [SRC_DIR]     (default: src/ of this checkout)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-"$root/src"}

declare -A allowed=(
  [platform]=""
  [runtime]="platform"
  [tables]="runtime platform"
  [console]="runtime platform"
  [json]="console runtime platform"
  [errors]="json console runtime platform"
  [table_functions]="tables errors json console runtime platform"
  [fileio]="errors runtime platform"
  [app]="fileio table_functions tables errors json console runtime platform"
)

violations=0
checked=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  layer=${rel%%/*}
  if [[ -z ${allowed[$layer]+set} ]]; then
    echo "layers: $rel is in folder '$layer', which has no place in the layer list"
    violations=$((violations + 1))
    continue
  fi
  checked=$((checked + 1))
  while IFS= read -r target; do
    [[ $target == "$layer" ]] && continue
    if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
      echo "layers: $rel includes $target/, which $layer/ may not include"
      violations=$((violations + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^/"]*\)\/.*/\1/p' "$file" | sort -u)
done < <(find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

if [[ $violations -ne 0 ]]; then
  echo "layers: 0 passed, 1 failed ($violations wrong-way includes in $checked files)"
  exit 1
fi
echo "layers: $checked files, every include points down"
