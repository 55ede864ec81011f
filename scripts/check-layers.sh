#!/usr/bin/env bash
# Layer check: reads the #include "folder/..." lines of every source under
# src/ and fails when a folder includes one that it may not. The allowed
# dependencies below are the architecture: each layer may include only the
# layers listed for it (all of them lower), so the include graph stays acyclic.
# Inside runtime/ the sub-folders are layers of their own, checked the same way.
#
#   scripts/check-layers.sh [SRC_DIR]     (default: src/ of this checkout)
#   scripts/check-layers.sh --self-test   plants a wrong-way include at each
#                                         level in a copy of src/ and fails
#                                         unless the check finds it
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ ${1:-} == --self-test ]]; then
  copy=$(mktemp -d)
  trap 'rm -rf "$copy"' EXIT
  for plant in "runtime/process/exit.cpp runtime/errors/error_slot.h" \
               "runtime/values/value.cpp runtime/text/text.h" \
               "runtime/text/text.cpp tables/status.h"; do
    read -r file target <<<"$plant"
    rm -rf "$copy/src" && cp -r "$root/src" "$copy/src"
    echo "#include \"$target\"" >>"$copy/src/$file"
    if "$0" "$copy/src" >/dev/null; then
      echo "layers: self-test: $file including $target passed the check"
      exit 1
    fi
  done
  echo "layers: self-test: every planted wrong-way include was found"
  exit 0
fi
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

# runtime/'s own layers, lowest first: process state and settings, values,
# text, errors.
declare -A runtime_allowed=(
  [process]=""
  [values]="process"
  [text]="values process"
  [errors]="text values process"
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
  [[ $layer == runtime ]] || continue
  sub=${rel#runtime/}
  sub=${sub%%/*}
  if [[ -z ${runtime_allowed[$sub]+set} ]]; then
    echo "layers: $rel is in folder 'runtime/$sub', which has no place in runtime's layer list"
    violations=$((violations + 1))
    continue
  fi
  while IFS= read -r target; do
    [[ $target == "$sub" ]] && continue
    if [[ " ${runtime_allowed[$sub]} " != *" $target "* ]]; then
      echo "layers: $rel includes runtime/$target/, which runtime/$sub/ may not include"
      violations=$((violations + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"runtime\/\([^/"]*\)\/.*/\1/p' "$file" | sort -u)
done < <(find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

if [[ $violations -ne 0 ]]; then
  echo "layers: 0 passed, 1 failed ($violations wrong-way includes in $checked files)"
  exit 1
fi
echo "layers: $checked files, every include points down"
