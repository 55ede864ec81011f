#!/usr/bin/env bash
# Windows lane: the 32-bit Windows build, its tests under wine, and the
# end-to-end suite run against kursexport.exe under wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/win32"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="${WINEPREFIX:-$HOME/.wine-kx}"
wineboot -i >/dev/null 2>&1 || true
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure
native="$root/build/native"
# Every suite that needs only the program: report, start-up, damaged
# installations, read-only runs, the shipped program ignoring KX_FAULT_READ,
# and runs while rates are appended (100 runs under wine). The damage suite
# runs its sampled subset under wine (KX_DAMAGE_FULL=1 runs all of it). The
# read-fault suite needs kursexport_faults, a native test program only, so it
# stays in the native and sanitizer lanes. One wine process, started by the
# tests' program runner, serves every run.
if [ -x "$native/tests/e2e_tests" ]; then
  KX_PROGRAM="$build/kursexport.exe" KX_RUNNER=wine "$native/tests/e2e_tests" \
    --gtest_filter="${KX_WINE_E2E_FILTER:-ReportTest.*:StartupTest.*:DamageTest.*:ReadOnlyTest.*:ShippedProgramTest.*:ConcurrencyTest.*}"
fi
