#!/usr/bin/env bash
# Installs what the build and test lanes need on a fresh Debian machine.
# The Windows lane needs both Windows cross compilers, the MinGW binutils
# (the 32-bit program's header check) and wine64; wine32:i386 too, which
# installs on every kernel but runs only where the kernel runs 32-bit
# programs (the lane takes the 64-bit build elsewhere).
#
#   scripts/install-deps.sh          everything the lanes need
#   scripts/install-deps.sh --demo   only what building the program and the demo needs
set -euo pipefail

if [ "${1:-}" = --demo ]; then
  packages=(cmake g++ make)
else
  # clang's sanitizer and fuzzer runtimes (libclang-rt-14-dev) come only as a
  # recommended package, so they are named; lint lists its files with git;
  # php-cli and nodejs run the report's decoding recipes (check-recipes.sh).
  packages=(cmake g++ make git libgtest-dev googletest libbenchmark-dev clang libclang-rt-14-dev
            clang-format clang-tidy python3 python3-jsonschema python3-pefile g++-mingw-w64-i686
            g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 strace php-cli nodejs)
fi
need=()
for pkg in "${packages[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
need32=()
if [ "${1:-}" = --demo ]; then
  :
elif ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need32+=(wine32:i386)
elif ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  need32+=(wine32:i386)
fi
if [ ${#need[@]} -gt 0 ] || [ ${#need32[@]} -gt 0 ]; then
  # A mirror in the middle of a sync fails one index; the others still serve.
  apt-get update -qq || echo "install-deps: apt-get update reported a failure; installing from the indexes it has" >&2
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
# Last and on its own: where 32-bit programs cannot run, a package script
# among the i386 ones may fail, and that must not cost the other lanes.
if [ ${#need32[@]} -gt 0 ]; then
  echo "installing: ${need32[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need32[@]}" >/dev/null ||
    echo "install-deps: ${need32[*]} did not install; the Windows lane will say which build it runs" >&2
fi
