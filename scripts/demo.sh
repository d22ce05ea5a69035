#!/usr/bin/env bash
# The main job: sets up a Debian 12 or 13 machine, builds KESTRIN.DLL and the demo
# host, and starts the host with the plug-in loaded. With a display it is the
# interactive host on the real drives; without one it runs a scripted tour
# on the demo tree under Xvfb and writes a screenshot of each step to
# $build/screenshots (--tour forces the tour). It runs the shipped i686 build
# where this machine runs 32-bit programs, else the 64-bit twin
# (scripts/architectures.sh; KESTRIN_ARCH forces it). BUILD_DIR picks the
# build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" "$build"
. "$root/scripts/architectures.sh"
build_arch i686 host
choose_archs demo

tour=
[ "${1:-}" = "--tour" ] && { tour=1; shift; }

if [ -z "$tour" ] && [ -n "${DISPLAY:-}" ]; then
    arch=${archs%% *}
    [ "$arch" = i686 ] || build_arch "$arch" host
    arch_build="$build/$arch"
    hostdir="$arch_build/host"
    mkdir -p "$hostdir/plugins"
    cp "$arch_build/src/KESTRIN.DLL" "$hostdir/plugins/"
    # A desktop session gets its own prefix: the test prefix makes windows
    # unmanaged, which only suits a display without a window manager.
    export KESTRIN_WINEPREFIX="$arch_build/wineprefix-desktop"
    . "$arch_build/wine-env"
    if [ ! -e "$WINEPREFIX/.kestrin-ready" ]; then
        echo "demo: preparing prefix $WINEPREFIX"
        "$wine_loader" wineboot -i </dev/null >/dev/null 2>&1 || true
        "$wine_loader" regedit "$(windows_path "$root/cmake/japanese-fonts.reg")" </dev/null >/dev/null 2>&1 || true
        touch "$WINEPREFIX/.kestrin-ready"
    fi
    echo "demo: host $hostdir/host.exe with plug-in $hostdir/plugins/KESTRIN.DLL"
    echo "demo: interactive on $DISPLAY: menu プラグイン > ドライブの変更(L)"
    echo "demo: pass /fixture demo.tree to browse the demo tree instead of the real drives"
    cd "$hostdir"
    exec "$wine_loader" host.exe "$@"
fi

# One scripted tour per architecture, each with its own display and
# wineserver; shown in $build/screenshots (one subfolder each when several).
tour_arch() {
    local arch=$1 shots=$2
    local arch_build="$build/$arch"
    local hostdir="$arch_build/host"
    mkdir -p "$hostdir/plugins"
    cp "$arch_build/src/KESTRIN.DLL" "$hostdir/plugins/"
    . "$root/scripts/wine-session.sh"
    start_wine_session
    echo "demo: host $hostdir/host.exe with plug-in $hostdir/plugins/KESTRIN.DLL"
    echo "demo: no display; scripted tour on the demo tree under Xvfb $DISPLAY"

    rm -rf "$shots"
    mkdir -p "$shots"
    # The tour shows the plug-in's default behaviour, so it starts without settings.
    rm -f "$hostdir/plugins/KESTRIN.INI"
    local status=0
    # Output to a file: Wine's background processes would hold a pipe open.
    (cd "$hostdir" && timeout 180 "$wine_run" host.exe /fixture demo.tree /open 'C:\Users\demo\Documents\' \
        /tour "$(windows_path "$shots")" >"$shots/tour.log" 2>&1) || status=$?
    tr -d '\r' <"$shots/tour.log"
    rm -f "$shots/tour.log"

    local bmp
    for bmp in "$shots"/*.bmp; do
        [ -e "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
    echo "demo: screenshots in $shots:"
    ls -1 "$shots"
    if [ "$status" -ne 0 ]; then
        echo "demo: the tour failed on $arch (exit $status)" >&2
    fi
    return "$status"
}

status=0
for arch in $archs; do
    [ "$arch" = i686 ] || build_arch "$arch" host
    shots="$build/screenshots"
    [ "$archs" = "$arch" ] || shots="$build/screenshots/$arch"
    (tour_arch "$arch" "$shots") || status=$?
done
exit "$status"
