#!/usr/bin/env bash
# Builds the three Windows programs (32-bit, statically linked) and writes
# dist/kursexport-VERSION-win32.zip: the programs, the guides, the report
# schema, READ-ME.txt and SHA256SUMS.txt. VERSION is the project's version
# (CMakeLists.txt). Prints the zip's path as its last line.
#
#   KX_RELEASE_BUILD  the build folder (default build/win32, the Windows lane's)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KX_RELEASE_BUILD:-$root/build/win32}"
version=$(sed -n 's/^project(kursexport VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "release: no project version in CMakeLists.txt" >&2; exit 1; }
if ! command -v i686-w64-mingw32-g++-posix >/dev/null && ! command -v i686-w64-mingw32-g++ >/dev/null; then
  bash "$root/scripts/install-deps.sh"
fi

echo "release: building kursexport $version for 32-bit Windows in $build" >&2
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target kursexport kv3dump mkdemo >/dev/null

name="kursexport-$version-win32"
stage="$root/dist/$name"
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage"
for program in kursexport kv3dump mkdemo; do
  "$root/scripts/check-pe.sh" "$build/$program.exe" >/dev/null
  /usr/bin/python3 "$root/scripts/check-version.py" "$build/$program.exe" >/dev/null
  cp "$build/$program.exe" "$stage/"
done
"$root/scripts/check-shipped.sh" "$build/kursexport.exe" >/dev/null
cp "$root/docs/installation.md" "$root/docs/report.md" "$root/docs/report.schema.json" "$stage/"
# Notepad and the console both read CR LF.
sed "s/@VERSION@/$version/; s/\$/\r/" "$root/release/READ-ME.txt" > "$stage/READ-ME.txt"
sums=$(cd "$stage" && sha256sum -- *)
sed 's/$/\r/' <<<"$sums" > "$stage/SHA256SUMS.txt"
/usr/bin/python3 - "$stage" "$stage.zip" <<'PY'
import pathlib, sys, zipfile
stage, target = pathlib.Path(sys.argv[1]), sys.argv[2]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for path in sorted(stage.iterdir()):
        z.write(path, f"{stage.name}/{path.name}")
PY
rm -rf "$stage"
echo "$stage.zip"
