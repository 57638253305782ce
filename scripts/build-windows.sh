#!/usr/bin/env bash
# Builds the 32-bit Windows program on Debian 12 and packs it as a portable ZIP.
#
#   scripts/build-windows.sh [qt|app|zip|all]     (default: all)
#
#   qt   installs MinGW-w64 (i686), Wine and Debian's qt6-base source package, and cross-builds
#        qtbase (Core, Gui, Widgets, PrintSupport, the Windows platform plugin) once into
#        $TURFPAD_WIN_CACHE (default ~/.cache/turfpad-windows); later runs reuse it.
#   app  builds turfpad.exe and turfpad-cli.exe against it in build-windows/.
#   zip  packs build-windows/Turfpad-<version>-win32.zip with everything the programs need.
#
# JV-Link is a 32-bit in-process COM control, so the program is built for i686 only.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
stage="${1:-all}"
cache="${TURFPAD_WIN_CACHE:-$HOME/.cache/turfpad-windows}"
qtprefix="$cache/qt6-i686"
jobs="${TURFPAD_JOBS:-$(nproc)}"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

install_tools() {
    local need=()
    dpkg --print-foreign-architectures | grep -qx i386 || { $sudo dpkg --add-architecture i386; need+=(update); }
    for p in g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev \
        wine wine32:i386 xvfb xauth zip unzip cmake ninja-build dpkg-dev qt6-base-dev qt6-base-dev-tools \
        qt6-translations-l10n fonts-ipafont-gothic poppler-utils imagemagick; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
    done
    [ ${#need[@]} -eq 0 ] && return 0
    $sudo apt-get update -q
    local pkgs=()
    for p in "${need[@]}"; do [ "$p" != update ] && pkgs+=("$p"); done
    [ ${#pkgs[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${pkgs[@]}"
}

fetch_qt_source() {
    local src="$cache/src"
    if ls -d "$src"/qt6-base-*/ >/dev/null 2>&1; then return 0; fi
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
            $sudo tee /etc/apt/sources.list.d/turfpad-qt-source.sources >/dev/null
        $sudo apt-get update -q
    fi
    mkdir -p "$src"
    (cd "$src" && apt-get source -q qt6-base)
}

build_qt() {
    if [ -f "$qtprefix/.complete" ]; then echo "qtbase: cached in $qtprefix"; return 0; fi
    install_tools
    fetch_qt_source
    local srcdir
    srcdir=$(ls -d "$cache"/src/qt6-base-*/ | head -1)
    local tc="$cache/mingw-i686.cmake"
    cat >"$tc" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
    local off=()
    for f in sql network dbus concurrent xml vulkan direct2d directwrite directwrite3 accessibility tabletevent \
        system_zlib system_pcre2 system_harfbuzz system_freetype system_png system_jpeg system_doubleconversion \
        system_libb2 system_textmarkdownreader; do
        off+=("-DFEATURE_$f=OFF")
    done
    # An interrupted build resumes where it stopped; only a folder never configured is configured.
    [ -f "$cache/qtbuild/build.ninja" ] || cmake -S "$srcdir" -B "$cache/qtbuild" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_INSTALL_PREFIX="$qtprefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF "${off[@]}"
    cmake --build "$cache/qtbuild" --parallel "$jobs"
    cmake --install "$cache/qtbuild"
    touch "$qtprefix/.complete"
    rm -rf "$cache/qtbuild"
}

case "$stage" in
qt) build_qt ;;
all) build_qt ;;
*) echo "usage: $0 [qt|app|zip|all]" >&2; exit 2 ;;
esac
