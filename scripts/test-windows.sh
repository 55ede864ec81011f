#!/usr/bin/env bash
# Windows lane: the Windows build, its unit tests under wine, and the
# end-to-end suites run against kursexport.exe under wine.
#
# Where the kernel runs 32-bit programs, that is the shipped 32-bit build
# (build/win32) under wine. Some kernels have 32-bit emulation turned off
# (the 32-bit loader fails with "Exec format error"); there the same sources
# are built as a 64-bit Windows program (build/win64) and the same tests run
# under the wine64 loader. Either way the 32-bit kursexport.exe is built and
# its header and version resource checked (scripts/check-pe.sh,
# scripts/check-version.py), and the lane prints one line
# saying which build ran and why. It fails on a failing test or check only.
#
# Environment:
#   KX_NO_I386=1        take the 64-bit path even where 32-bit programs run
#   KX_WINE_E2E_FILTER  the end-to-end suites run under wine (a gtest filter)
#   KX_NATIVE_BUILD     the native build holding tests/e2e_tests (build/native;
#                       built here, configured as test-native.sh does, when missing)
#   WINEPREFIX          the wine prefix (~/.wine-kx, or ~/.wine-kx64 on the 64-bit path)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win32="$root/build/win32"
win64="$root/build/win64"
native="${KX_NATIVE_BUILD:-$root/build/native}"
wine64=/usr/lib/wine/wine64

# Why 32-bit Windows programs cannot run here; nothing when they can.
no_i386_reason() {
  if [ "${KX_NO_I386:-}" = 1 ]; then
    echo "KX_NO_I386=1 is set"
  elif [ ! -e /lib/ld-linux.so.2 ]; then
    echo "no 32-bit C library: /lib/ld-linux.so.2 is missing"
  elif ! out=$(/lib/ld-linux.so.2 --version 2>&1); then
    echo "this kernel cannot run 32-bit programs: ${out##*: }"
  elif [ ! -x /usr/lib/wine/wine ]; then
    echo "the 32-bit wine loader (wine32:i386) is not installed"
  fi
}

configure_and_build() {  # build dir, toolchain file, targets...
  local dir=$1 toolchain=$2
  shift 2
  cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$dir" -j"$(nproc)" "$@"
}

reason=$(no_i386_reason)
if [ -z "$reason" ]; then
  echo "windows lane: 32-bit build under wine (this kernel runs 32-bit programs)"
  build=$win32
  loader=wine
  export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-kx}"
else
  echo "windows lane: 64-bit build under wine64 ($reason)"
  build=$win64
  loader=$wine64
  # The 32-bit wine loader cannot start here, so nothing may go through the
  # wine wrapper, which prefers it; a prefix of its own, made by wine64.
  export WINELOADER=$wine64
  export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-kx64}"
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The shipped program is built and checked whichever build runs the tests.
if [ "$build" = "$win32" ]; then
  configure_and_build "$win32" "$root/cmake/mingw-i686.cmake"
else
  configure_and_build "$win32" "$root/cmake/mingw-i686.cmake" --target kursexport
fi
"$root/scripts/check-pe.sh" "$win32/kursexport.exe"
"$root/scripts/check-shipped.sh" "$win32/kursexport.exe"
/usr/bin/python3 "$root/scripts/check-version.py" "$win32/kursexport.exe"

"$loader" wineboot -i >/dev/null 2>&1 || true
if [ "$build" = "$win64" ]; then
  configure_and_build "$win64" "$root/cmake/mingw-x86_64.cmake"
fi
ctest --test-dir "$build" --output-on-failure
bash "$root/scripts/gtest-totals.sh" "$build"

# The end-to-end tests are a native program; built here when the native lane
# has not built them, never skipped.
if [ ! -x "$native/tests/e2e_tests" ]; then
  echo "windows lane: building the end-to-end tests in $native"
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$native" -j"$(nproc)" --target e2e_tests
fi
# Every suite that needs only the program: report, start-up, damaged
# installations, read-only runs, the shipped program ignoring KX_FAULT_READ,
# runs whose reader has closed the output pipe, and runs while rates are
# appended (100 runs under wine). The damage suite
# runs its sampled subset under wine (KX_DAMAGE_FULL=1 runs all of it). The
# read-fault suite needs kursexport_faults, a native test program only, so it
# stays in the native and sanitizer lanes. One wine process, started by the
# tests' program runner, serves every run.
KX_PROGRAM="$build/kursexport.exe" KX_RUNNER="$loader" "$native/tests/e2e_tests" \
  --gtest_filter="${KX_WINE_E2E_FILTER:-ReportTest.*:StartupTest.*:DamageTest.*:ReadOnlyTest.*:ShippedProgramTest.*:ClosedOutputTest.*:ConcurrencyTest.*}"

# The tools' standard output is binary: kv3dump.exe writes the bytes the
# native kv3dump writes, a CSV's CR LF included (text mode made it CR CR LF).
tools=$(mktemp -d)
"$native/mkdemo" "$tools/demo" "$native/kursexport" >/dev/null
table="$tools/demo/pos/KV3DB/M_KURSMA.KV3"
for mode in --csv --limit; do
  args=("$mode")
  [ "$mode" = --limit ] && args=(--limit 1000)
  "$native/kv3dump" "$table" "${args[@]}" >"$tools/native.out"
  "$loader" "$build/kv3dump.exe" "Z:${table//\//\\}" "${args[@]}" >"$tools/windows.out"
  if ! cmp -s "$tools/native.out" "$tools/windows.out"; then
    echo "windows lane: kv3dump.exe ${args[*]} does not write what the native kv3dump writes"
    cmp "$tools/native.out" "$tools/windows.out" || true
    exit 1
  fi
done
# Python's csv module reads one row per record and the header, no empty rows.
"$loader" "$build/kv3dump.exe" "Z:${table//\//\\}" --csv >"$tools/windows.csv"
records=$("$native/kv3dump" --info "$table" | sed -n 's/.*"records":\([0-9]*\).*/\1/p')
/usr/bin/python3 - "$tools/windows.csv" "$records" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="utf-8")))
if len(rows) != int(sys.argv[2]) + 1 or any(not row for row in rows):
    sys.exit(f"windows lane: kv3dump.exe --csv gives {len(rows)} rows for {sys.argv[2]} records")
PY
echo "windows lane: kv3dump.exe writes JSON and CSV byte for byte as the native kv3dump"

# Paths keep the bytes of the ANSI code page from the command line to the
# file calls: mkdemo.exe writes an installation under a folder whose name is
# not ASCII, kv3dump.exe checks it, echoing the folder in UTF-8, and dumps its
# rates as the native kv3dump dumps the native demo's. Wine hands the UTF-8
# arguments over in the ANSI code page of the locale (1252 under C.UTF-8; the
# C locale would turn the é into other characters).
cafe="Z:${tools//\//\\}\\café"
wine_utf8() { LC_ALL=C.UTF-8 "$loader" "$@"; }
wine_utf8 "$build/mkdemo.exe" "$cafe" "Z:${build//\//\\}\\kursexport.exe" >/dev/null
status=0
check=$(wine_utf8 "$build/kv3dump.exe" --installation "$cafe\\tarvo") || status=$?
if [ "$status" != 0 ] || [ "${check%%$'\n'*}" != "kursexport installation in $cafe\\tarvo\\" ]; then
  echo "windows lane: kv3dump.exe --installation $cafe\\tarvo (status $status) fails or echoes another folder:"
  echo "$check"
  exit 1
fi
wine_utf8 "$build/kv3dump.exe" "$cafe\\pos\\KV3DB\\M_KURSMA.KV3" --limit 1000 >"$tools/windows.out"
if ! cmp -s "$tools/native.out" "$tools/windows.out"; then
  echo "windows lane: kv3dump.exe does not dump the rates that mkdemo.exe wrote under $cafe"
  exit 1
fi
echo "windows lane: mkdemo.exe and kv3dump.exe work in $cafe, the path echoed in UTF-8"
rm -rf "$tools"

# The release zip, unpacked and run as an administrator would.
if [ "$build" = "$win32" ]; then
  bash "$root/scripts/check-release.sh" "$loader"
else
  bash "$root/scripts/check-release.sh" "$loader" "$build"
fi
