#!/usr/bin/env bash
# Installs what building and testing KESTRIN needs on Debian 12, when it is
# missing, and makes the Japanese C locale available. Usage: setup.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
mkdir -p "$build"

need=()
command -v i686-w64-mingw32-g++ >/dev/null || need+=(g++-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++ >/dev/null || need+=(g++-mingw-w64-x86-64)
command -v cmake >/dev/null || need+=(cmake)
command -v wine >/dev/null || need+=(wine)
# Both Wines, looked for by their loaders: the wrappers on the PATH exist
# with either. 32-bit Wine installs even where the kernel cannot run it;
# the run scripts then choose the 64-bit twin.
[ -x /usr/lib/wine/wine ] || need+=(wine32:i386)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xvfb-run >/dev/null || need+=(xvfb)
command -v localedef >/dev/null && [ -e /usr/share/i18n/charmaps/UTF-8.gz ] || need+=(locales)
command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
command -v zip >/dev/null || need+=(zip)
[ -e /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
command -v fc-list >/dev/null || need+=(fontconfig)
[ -e /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf ] || need+=(fonts-ipafont-gothic)

if [ ${#need[@]} -gt 0 ]; then
    echo "setup: installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -q i386 || dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq "${need[@]}" >/dev/null
fi

# Wine needs LC_ALL=ja_JP.UTF-8 for code page 932, and the C library must
# know that locale for Japanese file names on disk.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    if [ ! -d "$build/locale/ja_JP.UTF-8" ]; then
        mkdir -p "$build/locale"
        localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8" || true
    fi
fi
