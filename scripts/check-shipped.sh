#!/usr/bin/env bash
# Checks that shipped programs hold no test seam: fails when the symbol table
# of a program names the read-fault Env, the fake Env or any other fault or
# seam of the tests (letter case ignored; "default" is not a fault). Reads the
# symbols with nm, or for a Windows program (.exe) with the MinGW nm of its
# machine. Prints what it checked; a program without symbols fails, since
# nothing could be checked.
#
#   scripts/check-shipped.sh PROGRAM...
set -euo pipefail

if [[ $# -eq 0 ]]; then
  echo "usage: $0 PROGRAM..." >&2
  exit 2
fi

# Names of the test seams, as extended regular expression (matched without case).
seams='fault|seam|fakeenv|faultyenv|arm_read_fault'

# The nm that reads program: the MinGW one of its machine for a PE file.
nm_for() {
  local program=$1
  if [[ $(head -c 2 "$program") != "MZ" ]]; then
    echo nm
    return
  fi
  # The PE header's offset is at 0x3c; its machine field follows "PE\0\0".
  local pe machine
  pe=$(od -An -t u4 -j 60 -N 4 "$program" | tr -d ' ')
  machine=$(od -An -t x2 -j $((pe + 4)) -N 2 "$program" | tr -d ' ')
  case $machine in
    014c) echo i686-w64-mingw32-nm ;;
    8664) echo x86_64-w64-mingw32-nm ;;
    *) echo "shipped: $program: unknown PE machine $machine" >&2; return 1 ;;
  esac
}

failed=0
for program in "$@"; do
  if [[ ! -f $program ]]; then
    echo "shipped: $program: no such file"
    failed=1
    continue
  fi
  tool=$(nm_for "$program")
  if ! symbols=$("$tool" -C "$program" 2>/dev/null) || [[ -z $symbols ]]; then
    echo "shipped: $program: no symbols to read with $tool"
    failed=1
    continue
  fi
  count=$(wc -l <<<"$symbols")
  found=$(sed -E 's/[dD][eE][fF][aA][uU][lL][tT]//g' <<<"$symbols" | grep -iE "$seams" || true)
  if [[ -n $found ]]; then
    echo "shipped: $program holds test seams ($tool, $count symbols):"
    sed 's/^/  /' <<<"$found"
    failed=1
  else
    echo "shipped: $program: $count symbols ($tool), none of a test seam ($seams)"
  fi
done
exit $failed
