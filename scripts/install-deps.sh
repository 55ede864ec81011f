#!/usr/bin/env bash
# Installs what the build and test lanes need on a fresh Debian machine.
set -euo pipefail

need=()
for pkg in cmake g++ make libgtest-dev googletest libbenchmark-dev clang python3 \
           g++-mingw-w64-i686 wine strace; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need+=(wine32:i386)
elif ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  need+=(wine32:i386)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
