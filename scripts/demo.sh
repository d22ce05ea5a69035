#!/usr/bin/env bash
# The main job: sets up a Debian 12 machine, builds KESTRIN.DLL and the demo
# host, and starts the host with the plug-in loaded. With a display it is the
# interactive host on the real drives; without one it runs a scripted tour
# on the demo tree under Xvfb and writes a screenshot of each step to
# $build/screenshots (--tour forces the tour). BUILD_DIR picks the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" --target host

hostdir="$build/host"
mkdir -p "$hostdir/plugins"
cp "$build/src/KESTRIN.DLL" "$hostdir/plugins/"
echo "demo: host $hostdir/host.exe with plug-in $hostdir/plugins/KESTRIN.DLL"

tour=
[ "${1:-}" = "--tour" ] && { tour=1; shift; }
if [ -z "$tour" ] && [ -n "${DISPLAY:-}" ]; then
    # A desktop session gets its own prefix: the test prefix makes windows
    # unmanaged, which only suits a display without a window manager.
    export WINEPREFIX="$build/wineprefix-desktop"
    if [ ! -e "$WINEPREFIX/.kestrin-ready" ]; then
        echo "demo: preparing prefix $WINEPREFIX"
        "$build/wine-run" wineboot -i >/dev/null 2>&1 || true
        "$build/wine-run" regedit "$(WINEPREFIX=$WINEPREFIX winepath -w "$root/cmake/japanese-fonts.reg")" >/dev/null 2>&1 || true
        touch "$WINEPREFIX/.kestrin-ready"
    fi
    echo "demo: interactive on $DISPLAY: menu プラグイン > ドライブの変更(L)"
    echo "demo: pass /fixture demo.tree to browse the demo tree instead of the real drives"
    cd "$hostdir"
    exec "$build/wine-run" host.exe "$@"
fi

. "$root/scripts/wine-session.sh"
start_wine_session
echo "demo: no display; scripted tour on the demo tree under Xvfb $DISPLAY"

shots="$build/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
# The tour shows the plug-in's default behaviour, so it starts without settings.
rm -f "$hostdir/plugins/KESTRIN.INI"
status=0
(cd "$hostdir" && timeout 180 wine host.exe /fixture demo.tree /open 'C:\Users\demo\Documents\' \
    /tour "$(winepath -w "$shots")") | tr -d '\r' || status=$?

for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "demo: screenshots in $shots:"
ls -1 "$shots"
if [ "$status" -ne 0 ]; then
    echo "demo: the tour failed (exit $status)" >&2
    exit "$status"
fi
