#!/usr/bin/env bash
# Builds the release package from a clean checkout in one step: installs what
# the build needs, builds KESTRIN.DLL and writes build/KESTRIN-<version>.zip
# with the DLL, the Japanese and English readmes (code page 932, CRLF line
# ends, as Japanese Windows reads them) and the licence, and beside it
# build/SHA256SUMS for the zip and the DLL inside it. The same commit gives
# the same zip: its entries carry the commit's time (SOURCE_DATE_EPOCH, else
# the time of the checkout's last commit) in a fixed order with fixed
# permissions. Set BUILD_DIR to use another folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || {
        echo "package: not a git checkout; set SOURCE_DATE_EPOCH to the release's time" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH
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

entries=(KESTRIN.DLL readme.txt readme-en.txt LICENSE.txt)
chmod 755 "$stage"
(cd "$stage" && chmod 644 "${entries[@]}" && touch -d "@$SOURCE_DATE_EPOCH" "${entries[@]}" .)

# Zip's times are local: in UTC they read as the commit's time everywhere.
# -X leaves out the owner and the extra time stamps.
zip_file="$build/$name.zip"
rm -f "$zip_file"
(cd "$build/package" && TZ=UTC zip -q -X "$zip_file" "$name/" "${entries[@]/#/$name/}")
# Named as they lie once the zip is unpacked beside this file.
(cd "$build" && sha256sum "$name.zip" && cd package && sha256sum "$name/KESTRIN.DLL") >"$build/SHA256SUMS"
echo "package: $zip_file"
unzip -l "$zip_file"
cat "$build/SHA256SUMS"
