#!/usr/bin/env bash
# Installs what building and testing KESTRIN needs on Debian 12 or 13, when
# it is missing, and makes the Japanese C locale available. Usage:
# setup.sh BUILD_DIR [test|guest]: "test" also installs what the tests'
# emulated guest needs where it will run; "guest" installs only that.
#
# Installs in groups, what every path needs first, so that a package that
# cannot be had today takes nothing else down with it. 32-bit Wine is
# installed only where this kernel starts 32-bit programs, and where it
# cannot be installed today the run goes on as on a machine that cannot run
# it: the 64-bit twin, then the guest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder}
who=${2:-}
mkdir -p "$build"
. "$root/scripts/apt.sh"
. "$root/scripts/architectures.sh"

refreshed=
refresh_once() {
    [ -n "$refreshed" ] || { apt_refresh; refreshed=1; }
}

# install_group WHAT PACKAGE...: installs a group that the run cannot do
# without, or stops with one line per package that could not be had.
install_group() {
    local what=$1
    shift
    [ $# -gt 0 ] || return 0
    echo "setup: installing $what: $*"
    refresh_once
    apt_install "$@" && return 0
    while IFS= read -r line; do
        echo "setup: cannot install $line" >&2
    done <<<"$apt_failures"
    exit 1
}

install_guest_tools() {
    . "$root/scripts/guest.sh"
    local need
    need=$(guest_tools_missing)
    # Without recommends: qemu's would bring a desktop's worth of packages.
    # shellcheck disable=SC2086
    apt_options=--no-install-recommends install_group "the tests' emulated guest" $need
}

if [ "$who" = guest ]; then
    install_guest_tools
    exit 0
fi

need=()
command -v i686-w64-mingw32-g++ >/dev/null || need+=(g++-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++ >/dev/null || need+=(g++-mingw-w64-x86-64)
command -v cmake >/dev/null || need+=(cmake)
# The loaders by path: the wrappers on the PATH exist with either Wine.
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v wine >/dev/null || need+=(wine)
command -v Xvfb >/dev/null || need+=(xvfb)
command -v localedef >/dev/null && [ -e /usr/share/i18n/charmaps/UTF-8.gz ] || need+=(locales)
command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
command -v zip >/dev/null || need+=(zip)
# The release package takes its time stamps from the last commit.
command -v git >/dev/null || need+=(git)
[ -e /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
command -v fc-list >/dev/null || need+=(fontconfig)
[ -e /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf ] || need+=(fonts-ipafont-gothic)
install_group "what every build needs" "${need[@]}"

# 32-bit Wine, where it can run: its i386 packages, and their index, are
# left alone on a kernel that refuses 32-bit programs.
if [ ! -x /usr/lib/wine/wine ]; then
    if ! kernel_runs_32bit; then
        echo "setup: 32-bit Wine not installed: $kernel32_why"
    else
        echo "setup: installing 32-bit Wine: wine32:i386"
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
            refreshed=
        fi
        refresh_once
        if ! apt_install wine32:i386; then
            echo "setup: 32-bit Wine cannot be installed today ($apt_failures); the tests run on the 64-bit twin, then in the emulated guest"
        fi
    fi
fi

# The guest runs the shipped DLL's tests where 32-bit Wine cannot run here.
if [ "$who" = test ] && [ -z "${KESTRIN_ARCH:-}" ] && [ "${KESTRIN_GUEST:-1}" != 0 ] &&
    { [ ! -x /usr/lib/wine/wine ] || ! kernel_runs_32bit; }; then
    install_guest_tools
fi

# Wine needs LC_ALL=ja_JP.UTF-8 for code page 932, and the C library must
# know that locale for Japanese file names on disk.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    if [ ! -d "$build/locale/ja_JP.UTF-8" ]; then
        mkdir -p "$build/locale"
        localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8" || true
    fi
fi
