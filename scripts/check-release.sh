#!/usr/bin/env bash
# The release as an administrator meets it: writes the zip (scripts/release.sh),
# unpacks it, checks its SHA-256 sums and the version resource of each
# program, then runs each program's --version and the installation check on a
# demo that mkdemo.exe writes into an unpacked program folder.
#
#   scripts/check-release.sh LOADER [PROGRAMS]
#
# LOADER runs Windows programs (wine, or wine64). The programs run are the
# zip's own, or where 32-bit programs cannot run here, the same sources'
# programs in PROGRAMS (a 64-bit build), which the line printed says.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
loader=$1
programs=${2:-}
zip=$(bash "$root/scripts/release.sh" | tail -n 1)
version=$(basename "$zip" | sed 's/^kursexport-\(.*\)-win32\.zip$/\1/')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$zip" "$work"
unpacked="$work/kursexport-$version-win32"
(cd "$unpacked" && tr -d '\r' < SHA256SUMS.txt | sha256sum --quiet -c -)
for program in kursexport kv3dump mkdemo; do
  /usr/bin/python3 "$root/scripts/check-version.py" "$unpacked/$program.exe" >/dev/null
done
for file in READ-ME.txt installation.md report.md report.schema.json; do
  [ -s "$unpacked/$file" ] || { echo "release: $file is missing from the zip"; exit 1; }
done

run="$unpacked"
if [ -n "$programs" ]; then
  run="$work/run"
  mkdir -p "$run"
  cp "$programs/kursexport.exe" "$programs/kv3dump.exe" "$programs/mkdemo.exe" "$run/"
fi
windows_path() { echo "Z:${1//\//\\}"; }
for program in kv3dump mkdemo; do
  said=$("$loader" "$run/$program.exe" --version | tr -d '\r')
  if [ "$said" != "$program $version" ]; then
    echo "release: $program.exe --version says '$said', not '$program $version'"
    exit 1
  fi
done
"$loader" "$run/mkdemo.exe" "$(windows_path "$work/demo")" "$(windows_path "$run/kursexport.exe")" >/dev/null
check=$("$loader" "$run/kv3dump.exe" --installation "$(windows_path "$work/demo/tarvo")" | tr -d '\r')
for expected in "Program: kursexport.exe, version $version" \
  "Result: the program would print a complete report."; do
  if ! grep -qF "$expected" <<<"$check"; then
    echo "release: the installation check on the demo does not say '$expected':"
    echo "$check"
    exit 1
  fi
done
if [ -n "$programs" ]; then
  echo "release: $(basename "$zip") checked (sums, version resources); its 32-bit programs cannot run here, so the 64-bit build's ran --version and the installation check on a demo"
else
  echo "release: $(basename "$zip") checked (sums, version resources), and its programs ran --version and the installation check on a demo"
fi
