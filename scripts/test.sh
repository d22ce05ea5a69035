#!/usr/bin/env bash
# Builds KESTRIN and runs its tests under Wine (code page 932) on a private
# Xvfb display; ends with ctest's summary. Set BUILD_DIR to use another folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

. "$root/scripts/wine-session.sh"
start_wine_session
# Serial on purpose: tests that type keys share the display's focus.
ctest --test-dir "$build" --output-on-failure "$@"
