#!/usr/bin/env bash
# Builds KESTRIN and its benchmark and runs it under Wine on a private Xvfb
# display: a table of timings against floors taken in the same run, the DLL's
# size and imports, and the machine and architecture it ran on. It measures
# the shipped i686 build where this machine runs 32-bit programs, else the
# 64-bit twin (scripts/architectures.sh; KESTRIN_ARCH forces it). Set
# BUILD_DIR to use another folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
. "$root/scripts/architectures.sh"
build_arch i686 kestrin kestrin_bench
choose_archs bench

bench_arch() {
    local arch=$1
    local arch_build="$build/$arch"
    . "$root/scripts/wine-session.sh"
    start_wine_session

    echo "## Machine"
    echo "- CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), nproc $(nproc)"
    echo "- Wine: $("$wine_loader" --version) ($WINEARCH)"
    echo "- architecture measured: $arch$([ "$arch" = i686 ] && echo ' (the shipped DLL)' || echo ' (the 64-bit twin)')"
    echo
    echo "## Timings (median of repeated runs)"
    local status=0
    "$wine_run" "$arch_build/bench/kestrin_bench.exe" || status=$?
    return "$status"
}

# Size and imports of a built DLL.
describe_dll() {
    local arch=$1 dll="$build/$1/src/KESTRIN.DLL"
    local size
    size=$(stat -c %s "$dll")
    echo "- size: $size bytes ($(( (size + 1023) / 1024 )) KiB)"
    echo "- imports:"
    "$arch-w64-mingw32-objdump" -p "$dll" | awk '
        /DLL Name:/ { if (name) printf "  - %s: %d functions\n", name, count; name = $3; count = 0; next }
        name && /^\t[0-9a-f]+\t +[0-9]+ / { count++ }
        END { if (name) printf "  - %s: %d functions\n", name, count }'
}

status=0
for arch in $archs; do
    [ "$arch" = i686 ] || build_arch "$arch" kestrin kestrin_bench
    (bench_arch "$arch") || status=$?
    if [ "$arch" != i686 ]; then
        echo
        echo "## KESTRIN.DLL, 64-bit twin"
        describe_dll "$arch"
    fi
done
# The size target is the shipped file's, whichever architecture ran.
echo
echo "## KESTRIN.DLL, shipped (i686; target at most 64 KiB)"
describe_dll i686
[ "$(stat -c %s "$build/i686/src/KESTRIN.DLL")" -le 65536 ] || status=1
exit "$status"
