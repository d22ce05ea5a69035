#!/usr/bin/env bash
# Builds KESTRIN and its benchmark and runs it under Wine on a private Xvfb
# display: a table of timings against floors taken in the same run, the DLL's
# size and imports, and the machine and architecture it ran on. It measures
# the shipped i686 build where this machine runs 32-bit programs, else the
# 64-bit twin (scripts/architectures.sh; KESTRIN_ARCH forces it). Exits
# non-zero only when a target the README states is missed, and says which.
# Set BUILD_DIR to use another folder.
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
    # Its exit status is the number of targets missed; the sizes and imports
    # it reads from the DLL files themselves.
    local status=0
    "$wine_run" "$arch_build/bench/kestrin_bench.exe" || status=$?
    return "$status"
}

status=0
for arch in $archs; do
    [ "$arch" = i686 ] || build_arch "$arch" kestrin kestrin_bench
    if ! (bench_arch "$arch"); then
        status=1
        echo "bench: $arch misses the targets listed under Targets above (or, with no such list, the benchmark failed)" >&2
    fi
done
exit "$status"
