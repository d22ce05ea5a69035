#!/usr/bin/env bash
# Builds the release package from a clean checkout in one step: installs what
# the build needs, builds KESTRIN.DLL and writes build/KESTRIN-<version>.zip
# with the DLL, the Japanese and English readmes (code page 932, CRLF line
# ends, as Japanese Windows reads them) and the licence. Set BUILD_DIR to use
# another folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
command -v iconv >/dev/null || { echo "package: iconv is missing" >&2; exit 1; }
# Only the 32-bit DLL ships; building it needs no Wine.
. "$root/scripts/architectures.sh"
build_arch i686 kestrin

version=$(sed -n 's/^project(KESTRIN VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "package: no project version in CMakeLists.txt" >&2; exit 1; }
name="KESTRIN-$version"
stage="$build/package/$name"
rm -rf "$build/package"
mkdir -p "$stage"

cp "$build/i686/src/KESTRIN.DLL" "$stage/"
# UTF-8 sources to code page 932 with CRLF line ends.
to_windows() { sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1" | iconv -f UTF-8 -t CP932 > "$2"; }
to_windows "$root/docs/readme-ja.txt" "$stage/readme.txt"
to_windows "$root/docs/readme-en.txt" "$stage/readme-en.txt"
to_windows "$root/LICENSE" "$stage/LICENSE.txt"

zip_file="$build/$name.zip"
rm -f "$zip_file"
(cd "$build/package" && TZ=UTC zip -q -X -r "$zip_file" "$name")
echo "package: $zip_file"
unzip -l "$zip_file"
