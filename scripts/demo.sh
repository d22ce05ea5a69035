#!/usr/bin/env bash
# The main job: sets up a Debian 12 machine, builds KESTRIN.DLL and the demo
# host, and starts the host with the plug-in loaded. With a display it is the
# interactive host on the real drives; without one it runs a scripted tour
# on the demo tree under Xvfb and writes a screenshot of each step to
# $build/screenshots. Set BUILD_DIR to use another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target host

hostdir="$build/host"
mkdir -p "$hostdir/plugins"
cp "$build/src/KESTRIN.DLL" "$hostdir/plugins/"
echo "demo: host $hostdir/host.exe with plug-in $hostdir/plugins/KESTRIN.DLL"

if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1 || { [ -n "${DISPLAY:-}" ] && ! command -v xset >/dev/null; }; then
    echo "demo: interactive on $DISPLAY (Plug-ins menu > ドライブの変更)"
    exec "$build/wine-run" "$hostdir/host.exe" "$@"
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
