#!/usr/bin/env bash
# Builds KESTRIN.DLL once more, later and from a copy of the sources in
# another folder, and compares it byte for byte with a built one: the same
# commit must give the same file wherever and whenever it is built. Names
# the first differing offset when they differ. Bytes that already passed are
# not built again, so the twin's suite can check the shipped i686 file at no
# cost after the i686 suite has. Exits 77 (skipped) where the cross-compiler
# is missing, as in the tests' emulated guest.
# Usage: rebuild-check.sh ARCH BUILT_DLL [BUILD_TYPE]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:?architecture}
dll=${2:?built KESTRIN.DLL}
type=${3:-Release}

if ! command -v "$arch-w64-mingw32-gcc" >/dev/null; then
    echo "rebuild-check: no $arch cross-compiler here, so $dll is not rebuilt"
    exit 77
fi
work=$(cd "$(dirname "$dll")" && pwd)/rebuild-check
stamp=$work/passed.sha256
hash=$(sha256sum <"$dll")
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$hash" ]; then
    echo "rebuild-check: $dll: these bytes were already rebuilt identically"
    exit 0
fi

rm -rf "$work"
copy=$work/another-clone
mkdir -p "$copy"
cp -R "$root/CMakeLists.txt" "$root/cmake" "$root/src" "$root/res" "$copy/"
cmake -S "$copy" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE="$type" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$work/build" -j"$(nproc)" --target kestrin >/dev/null
rebuilt=$work/build/src/KESTRIN.DLL

if cmp -s "$dll" "$rebuilt"; then
    echo "rebuild-check: $dll ($arch): the rebuild in $work has the same $(stat -c %s "$dll") bytes"
    echo "$hash" >"$stamp"
    exit 0
fi
# cmp -l lists each differing byte as: offset from 1, then both bytes in octal.
first=$(cmp -l "$dll" "$rebuilt" 2>/dev/null | head -n 1) || true
if [ -n "$first" ]; then
    read -r position old new <<<"$first"
    printf 'rebuild-check: %s (%s) differs from its rebuild %s, first at offset 0x%x: 0x%02x against 0x%02x\n' \
        "$dll" "$arch" "$rebuilt" $((position - 1)) "0$old" "0$new"
else
    echo "rebuild-check: $dll ($arch) is $(stat -c %s "$dll") bytes, its rebuild $rebuilt $(stat -c %s "$rebuilt"), equal as far as the shorter goes"
fi
exit 1
