# Sourced by the run scripts: one Xvfb display and one warm wineserver for
# the whole run, both shut down on exit, and a prepared Wine prefix. Expects
# $arch_build to name the build folder of one architecture (i686 or x86_64)
# and $root the checkout.

. "$arch_build/wine-env"
wine_run="$arch_build/wine-run"

session_display=
xvfb_pid=

stop_wine_session() {
    "$wine_server" -k >/dev/null 2>&1 || true
    "$wine_server" -w >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
    xvfb_pid=
}

# Makes the prefix once; needs no display. Everything the tests and the demo
# rely on is set here, so a ready-made prefix can be built the same way.
prepare_wine_prefix() {
    [ -e "$WINEPREFIX/.kestrin-prefix-3" ] && return 0
    echo "wine: preparing $WINEARCH prefix $WINEPREFIX"
    "$wine_loader" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$wine_server" -w
    # Unmanaged windows: without a window manager Wine stalls on each
    # show or move of a managed one.
    "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    "$wine_loader" regedit "$(windows_path "$root/cmake/japanese-fonts.reg")" </dev/null >/dev/null 2>&1
    # Unmanaged windows draw their own caption buttons with Marlett,
    # which Wine does not find in its data folder under this locale.
    if [ -e /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        "$wine_loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
            /v 'Marlett (TrueType)' /d marlett.ttf /f </dev/null >/dev/null 2>&1
    fi
    "$wine_server" -w
    touch "$WINEPREFIX/.kestrin-prefix-3"
}

start_wine_session() {
    # A wineserver left over from an earlier run may be tied to a dead display.
    "$wine_server" -k >/dev/null 2>&1 || true
    "$wine_server" -w >/dev/null 2>&1 || true
    local n
    for n in $(seq 91 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
            session_display=":$n"
            break
        fi
        xvfb_pid=
    done
    [ -n "$session_display" ] || { echo "could not start Xvfb" >&2; return 1; }
    export DISPLAY="$session_display"
    trap stop_wine_session EXIT

    prepare_wine_prefix
    "$wine_server" -p
    # Start Wine's own background processes now, detached from the caller's
    # output: started by a test they would hold its pipe open.
    "$wine_loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
}
