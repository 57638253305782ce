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
    # Qt's installed toolchain file loads this one for every program built against it, so the
    # cache keeps its own copy of the project's toolchain, with the shared MinGW runtime.
    local tc="$cache/mingw-i686.cmake"
    [ -f "$tc" ] || { echo 'set(TURFPAD_MINGW_SHARED_RUNTIME ON)'; cat cmake/mingw-i686.cmake; } >"$tc"
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

# The host build gives the manual (its generator runs the program offscreen, which a cross build
# cannot do) and the Linux turfpad-cli the proof compares against.
build_host() {
    cmake -S . -B "$hostbuild" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    cmake --build "$hostbuild" --parallel "$jobs" --target turfpad-cli turfpad_manual
}

build_app() {
    [ -f "$qtprefix/.complete" ] || { echo "qtbase is not built yet: run $0 qt first" >&2; exit 1; }
    install_tools
    build_host
    cmake -S . -B "$winbuild" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$qtprefix/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTURFPAD_MANUAL_PDF="$root/$hostbuild/bin/Turfpad.pdf" \
        ${TURFPAD_WERROR:+-DTURFPAD_WERROR=$TURFPAD_WERROR}
    cmake --build "$winbuild" --parallel "$jobs" --target turfpad turfpad-cli turfpad_manual
}

# The DLLs a PE file imports that are not part of Windows: Qt's own and the MinGW runtime.
dll_search=()
find_dll() {
    local d
    for d in "${dll_search[@]}"; do
        if [ -f "$d/$1" ]; then echo "$d/$1"; return 0; fi
    done
    return 1
}
copy_imports() {
    local out="$1" file="$2" dll path
    for dll in $(i686-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -f "$out/$dll" ] && continue
        path=$(find_dll "$dll") || continue # a Windows system DLL
        cp "$path" "$out/$dll"
        copy_imports "$out" "$out/$dll"
    done
}

pack_zip() {
    [ -f "$winbuild/bin/turfpad.exe" ] || build_app
    local version name out
    version=$(sed -n 's/^project(Turfpad VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    name="Turfpad-$version-win32"
    out="$winbuild/$name"
    rm -rf "$out" "$winbuild/$name.zip"
    mkdir -p "$out/platforms" "$out/styles" "$out/translations"
    cp "$winbuild/bin/turfpad.exe" "$winbuild/bin/turfpad-cli.exe" "$winbuild/bin/Turfpad.pdf" "$out/"
    cp "$qtprefix/plugins/platforms/qwindows.dll" "$out/platforms/"
    cp "$qtprefix/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"
    cp /usr/share/qt6/translations/qtbase_ja.qm "$out/translations/"
    dll_search=("$qtprefix/bin" /usr/lib/gcc/i686-w64-mingw32/*-posix /usr/i686-w64-mingw32/lib)
    local f
    for f in "$out"/*.exe "$out"/platforms/*.dll "$out"/styles/*.dll; do copy_imports "$out" "$f"; done
    # The README in Windows' line ends, for Notepad.
    sed 's/$/\r/' packaging/windows/README.txt >"$out/README.txt"
    i686-w64-mingw32-strip --strip-unneeded "$out"/*.exe "$out"/*.dll "$out"/*/*.dll
    (cd "$winbuild" && zip -q -r -X "$name.zip" "$name")
    echo "$winbuild/$name.zip: $(du -k "$winbuild/$name.zip" | cut -f1) KiB"
    (cd "$winbuild" && unzip -l "$name.zip")
}

hostbuild="${TURFPAD_HOST_BUILD:-build-windows/host}"
winbuild=build-windows

case "$stage" in
qt) build_qt ;;
app) build_qt && build_app ;;
zip) build_qt && build_app && pack_zip ;;
all) build_qt && build_app && pack_zip ;;
*) echo "usage: $0 [qt|app|zip|all]" >&2; exit 2 ;;
esac
