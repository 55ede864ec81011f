#!/usr/bin/env bash
# Over a share: installs FUSE and strace where missing, builds the program and
# the share benchmark in Release (build/bench) and runs share_run on three
# installations under build/share-bench, their data folders mounted through
# share_fs, a FUSE mirror that caches nothing and counts and holds every
# request (see bench/README.md). Needs root, or fusermount3 and /dev/fuse.
#
#   bash bench/share.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
work="$root/build/share-bench"

missing=()
command -v fusermount3 >/dev/null || missing+=(fuse3)
dpkg -s libfuse3-dev >/dev/null 2>&1 || missing+=(libfuse3-dev)
command -v pkg-config >/dev/null || missing+=(pkg-config)
command -v strace >/dev/null || missing+=(strace)
if ((${#missing[@]})); then
  apt-get update -qq || echo "share.sh: apt-get update reported a failure; installing from the indexes it has" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKX_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kursexport mkdemo gen_installation share_fs share_run

# share_run unmounts on every way out it sees; this catches a driver that was
# killed outright and a share_fs that died with its mount in place.
detach_leftovers() {
  awk -v work="$work/" 'index($5, work) == 1 { print $5 }' /proc/self/mountinfo |
    while read -r mount_point; do umount -l "$mount_point" || true; done
}
trap detach_leftovers EXIT
"$build/bench/share_run" "$build/kursexport" "$build/mkdemo" "$work" "${1:-21}"
