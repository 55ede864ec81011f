#!/usr/bin/env bash
# Checks that a Windows program has the shape the shipped kursexport.exe must
# have: a 32-bit image (PE32, not PE32+), the console subsystem (Windows CUI),
# and imports only from DLLs that every Windows system has, so that it runs as
# one file with no C++ runtime DLL (libstdc++, libgcc, libwinpthread) beside it.
#
#   scripts/check-pe.sh FILE     exit 0 when FILE passes, 1 with the reasons
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 FILE" >&2
  exit 2
fi
file=$1
objdump=i686-w64-mingw32-objdump   # package binutils-mingw-w64-i686
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll \
mpr.dll msvcrt.dll ws2_32.dll version.dll netapi32.dll winmm.dll "

# A 64-bit image is a fault of its own: this objdump does not read one.
if ! headers=$("$objdump" -p "$file" 2>&1); then
  echo "check-pe: $file: not a 32-bit Windows image: ${headers##*: }" >&2
  exit 1
fi
failures=()
grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)$' <<<"$headers" ||
  failures+=("not PE32: $(grep -m1 '^Magic' <<<"$headers" || echo 'no optional header')")
grep -Eq '^Subsystem[[:space:]]+00000003[[:space:]]+\(Windows CUI\)$' <<<"$headers" ||
  failures+=("not a console program: $(grep -m1 '^Subsystem' <<<"$headers" || echo 'no subsystem')")
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u)
[ -n "$dlls" ] || failures+=("no imports found")
for dll in $dlls; do
  case "$allowed" in
    *" $dll "*) ;;
    *) failures+=("imports $dll, not a Windows system DLL") ;;
  esac
done
if [ ${#failures[@]} -gt 0 ]; then
  for failure in "${failures[@]}"; do echo "check-pe: $file: $failure" >&2; done
  exit 1
fi
echo "check-pe: $file: PE32 console program importing only ${dlls//$'\n'/ }"
