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
# check FILE LEVEL PREFIX LIST_NAME: LEVEL is the file's folder at this level,
# PREFIX the include path before that level's folder names ("" or "runtime/"),
# LIST_NAME the array of allowed folders. False when LEVEL is not in it.
check() {
  local file=$1 level=$2 prefix=$3
  local -n list=$4
  if [[ -z ${list[$level]+set} ]]; then
    echo "layers: $rel is in folder '$prefix$level', which has no place in the layer list"
    violations=$((violations + 1))
    return 1
  fi
  while IFS= read -r target; do
    [[ $target == "$level" ]] && continue
    if [[ " ${list[$level]} " != *" $target "* ]]; then
      echo "layers: $rel includes $prefix$target/, which $prefix$level/ may not include"
      violations=$((violations + 1))
    fi
  done < <(sed -n "s|^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$prefix\([^/\"]*\)/.*|\1|p" "$file" | sort -u)
}

while IFS= read -r file; do
  rel=${file#"$src"/}
  layer=${rel%%/*}
  check "$file" "$layer" "" allowed || continue
  checked=$((checked + 1))
  [[ $layer == runtime ]] || continue
  sub=${rel#runtime/}
  check "$file" "${sub%%/*}" "runtime/" runtime_allowed || true
done < <(find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

if [[ $violations -ne 0 ]]; then
  echo "layers: 0 passed, 1 failed ($violations wrong-way includes in $checked files)"
  exit 1
fi
echo "layers: $checked files, every include points down"
