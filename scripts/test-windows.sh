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
# Under wine every run of the program starts a Windows process, so this lane
# runs the start-up and report suites; the native lane runs them all.
if [ -x "$native/tests/e2e_tests" ]; then
  KX_PROGRAM="$build/kursexport.exe" KX_RUNNER=wine "$native/tests/e2e_tests" \
    --gtest_filter="${KX_WINE_E2E_FILTER:-ReportTest.*:StartupTest.*}"
fi
