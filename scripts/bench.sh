#!/usr/bin/env bash
# Builds KESTRIN and its benchmark and runs it under Wine on a private Xvfb
# display: a table of timings against floors taken in the same run, the DLL's
# size and imports, and the machine it ran on. Set BUILD_DIR to use another
# folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kestrin kestrin_bench

. "$root/scripts/wine-session.sh"
start_wine_session

echo "## Machine"
echo "- CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), nproc $(nproc)"
echo "- Wine: $(wine --version)"
echo
echo "## Timings (median of repeated runs)"
status=0
"$wine_run" "$build/bench/kestrin_bench.exe" || status=$?
echo
dll="$build/src/KESTRIN.DLL"
size=$(stat -c %s "$dll")
echo "## KESTRIN.DLL"
echo "- size: $size bytes ($(( (size + 1023) / 1024 )) KiB; target at most 64 KiB)"
echo "- imports:"
i686-w64-mingw32-objdump -p "$dll" | awk '
    /DLL Name:/ { if (name) printf "  - %s: %d functions\n", name, count; name = $3; count = 0; next }
    name && /^\t[0-9a-f]+\t +[0-9]+ / { count++ }
    END { if (name) printf "  - %s: %d functions\n", name, count }'
[ "$size" -le 65536 ] || status=1
exit "$status"
