# Sourced, also by the build's POSIX sh wrappers: which Wine programs run
# one architecture of this build. These are the paths of the wine32 and
# wine64 packages of Debian 12 and 13.
#
# wine_tools ARCH sets wine_loader and wine_server, and exports WINEARCH,
# WINELOADER and WINESERVER so that the processes Wine starts by itself use
# the same ones.
wine_tools() {
    case "$1" in
    i686)
        wine_loader=/usr/lib/wine/wine
        wine_server=/usr/lib/wine/wineserver32
        [ -x "$wine_server" ] || wine_server=/usr/lib/wine/wineserver64
        WINEARCH=win32
        ;;
    x86_64)
        # Never through Debian's wine and wineserver wrappers: they pick the
        # 32-bit loader whenever wine32 is installed, even on a kernel that
        # cannot run it.
        wine_loader=/usr/lib/wine/wine64
        wine_server=/usr/lib/wine/wineserver64
        WINEARCH=win64
        ;;
    *)
        echo "wine_tools: unknown architecture '$1'" >&2
        return 1
        ;;
    esac
    WINELOADER=$wine_loader
    WINESERVER=$wine_server
    export WINEARCH WINELOADER WINESERVER
}

# The Windows name of a Unix path, through Wine's Z: drive (the root of the
# file system in every new prefix). Computed here rather than by winepath,
# a Wine program whose background processes would hold a pipe open.
windows_path() {
    printf 'Z:%s' "$1" | tr / '\\'
}
