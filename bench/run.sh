#!/usr/bin/env bash
# Whole-run benchmark: builds the program and the benchmark tools (Release),
# generates the installations under build/bench-data (kept between runs) and
# prints the table of median wall times, ratios and peak memory, then (with
# strace installed) what the program's system calls alone cost, then, where
# FUSE can be mounted, what a run costs over a share (bench/share.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKX_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kursexport gen_installation floor_program syscall_replay whole_run
"$build/bench/whole_run" "$build/kursexport" "$build/bench/floor_program" "$root/build/bench-data" "${1:-21}"

# Mounting needs the FUSE device and either CAP_SYS_ADMIN or fusermount3.
fuse_usable() {
  [[ -c /dev/fuse && -r /dev/fuse && -w /dev/fuse ]] || return 1
  command -v fusermount3 >/dev/null && return 0
  local caps
  caps=$(awk '/^CapEff:/ { print $2 }' /proc/self/status)
  (( (16#${caps:-0} >> 21) & 1 ))
}
if fuse_usable; then
  echo
  bash "$root/bench/share.sh" "${1:-21}"
else
  echo "Over a share: skipped, FUSE cannot be mounted here (no usable /dev/fuse, no CAP_SYS_ADMIN or fusermount3)"
fi
