# Sourced by the run scripts: one Xvfb display and one warm wineserver for
# the whole run, both shut down on exit, and a prepared Wine prefix in the
# build folder. Expects $build to name the build folder.

wine_run="$build/wine-run"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
if [ -d "$build/locale/ja_JP.UTF-8" ]; then export LOCPATH="$build/locale"; fi
{ export LC_ALL=ja_JP.UTF-8; } 2>/dev/null

session_display=
xvfb_pid=

stop_wine_session() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}

start_wine_session() {
    # A wineserver left over from an earlier run may be tied to a dead display.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
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

    if [ ! -e "$WINEPREFIX/.kestrin-prefix-2" ]; then
        echo "wine: preparing prefix $WINEPREFIX"
        wine wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        # Unmanaged windows: without a window manager Wine stalls on each
        # show or move of a managed one.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wine regedit "$(winepath -w "$root/cmake/japanese-fonts.reg")" >/dev/null 2>&1
        # Unmanaged windows draw their own caption buttons with Marlett,
        # which Wine does not find in its data folder under this locale.
        if [ -e /usr/share/wine/fonts/marlett.ttf ]; then
            cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
            wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
                /v 'Marlett (TrueType)' /d marlett.ttf /f >/dev/null 2>&1
        fi
        wineserver -w
        touch "$WINEPREFIX/.kestrin-prefix-2"
    fi
    wineserver -p
    # Start Wine's own background processes now, detached from the caller's
    # output: started by a test they would hold its pipe open.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
