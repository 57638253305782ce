#!/usr/bin/env bash
# Builds the 32-bit Windows program on Debian 12 and packs it as a portable ZIP.
#
#   scripts/build-windows.sh [qt|app|zip|all]     (default: all)
#
#   qt   installs MinGW-w64 (i686) and Debian's qt6-base source package, and cross-builds
#        qtbase (Core, Gui, Widgets, PrintSupport, the Windows platform plugin) once into
#        $TURFPAD_WIN_CACHE (default ~/.cache/turfpad-windows); later runs reuse it.
#   app  builds turfpad.exe and turfpad-cli.exe against it in build-windows/.
#   zip  packs build-windows/Turfpad-<version>-win32.zip with everything the programs need.
#
# JV-Link is a 32-bit in-process COM control, so the program is built for i686 only.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
stage="${1:-all}"
cache="${TURFPAD_WIN_CACHE:-$HOME/.cache/turfpad-windows}"
qtprefix="$cache/qt6-i686"
jobs="${TURFPAD_JOBS:-$(nproc)}"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# Every stage below runs with `set -e` in force: each is called as a plain command, never on the
# left of && or ||, where bash would ignore a failing command inside it.

# What building qtbase and the programs needs (deps.sh retries a failing package index).
install_tools() {
    bash scripts/deps.sh g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
        mingw-w64-i686-dev dpkg-dev qt6-base-dev-tools zip unzip
}

# The deb-src entry for the release's main component, made from the machine's own entry for it
# (its URIs and signing key): a machine behind another mirror or a proxy fetches the source
# from where it fetches everything else. Prints the entry in the format of the file it comes
# from (deb822 for .sources, one line for .list) after a first line naming that format; fails
# when no entry names the release.
# Usage: source_entry CODENAME SOURCES-FILE...
source_entry() {
    local codename="$1" f
    shift
    for f in "$@"; do
        [ -f "$f" ] || continue
        case "$f" in
        *.sources)
            awk -v codename="$codename" '
                function flush() {
                    if (!off && (" " types " ") ~ / deb / && (" " suites " ") ~ (" " codename " ") &&
                        (" " comps " ") ~ / main / && uris != "") {
                        printf "sources\nTypes: deb-src\nURIs: %s\nSuites: %s\nComponents: main\n", uris, codename
                        if (signed != "") printf "Signed-By: %s\n", signed
                        found = 1
                        exit
                    }
                    types = uris = suites = comps = signed = key = ""
                    off = 0
                }
                /^#/ { next }
                /^[ \t]*$/ { flush(); next }
                /^[ \t]/ { if (key == "signed-by") signed = signed "\n" $0; next }
                {
                    key = tolower(substr($0, 1, index($0, ":") - 1))
                    value = substr($0, index($0, ":") + 1)
                    gsub(/^[ \t]+|[ \t]+$/, "", value)
                    if (key == "types") types = value
                    else if (key == "uris") uris = value
                    else if (key == "suites") suites = value
                    else if (key == "components") comps = value
                    else if (key == "signed-by") signed = value
                    else if (key == "enabled" && tolower(value) == "no") off = 1
                }
                END { if (!found) flush(); exit !found }' "$f" && return 0
            ;;
        *)
            # deb [options] URI SUITE COMPONENT...
            awk -v codename="$codename" '
                $1 == "deb" {
                    line = $0
                    sub(/^deb[ \t]+/, "", line)
                    opts = ""
                    if (line ~ /^\[/) { opts = substr(line, 1, index(line, "]")); line = substr(line, index(line, "]") + 1) }
                    n = split(line, w, /[ \t]+/)
                    i = (w[1] == "") ? 2 : 1
                    main = 0
                    for (j = i + 2; j <= n; j++) if (w[j] == "main") main = 1
                    if (w[i + 1] == codename && main) {
                        printf "list\ndeb-src %s%s%s %s main\n", opts, (opts == "" ? "" : " "), w[i], codename
                        found = 1
                        exit
                    }
                }
                END { exit !found }' "$f" && return 0
            ;;
        esac
    done
    return 1
}

fetch_qt_source() {
    local src="$cache/src"
    if ls -d "$src"/qt6-base-*/ >/dev/null 2>&1; then return 0; fi
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
        local codename entry
        codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
        if ! entry=$(source_entry "$codename" /etc/apt/sources.list.d/*.sources /etc/apt/sources.list \
            /etc/apt/sources.list.d/*.list); then
            echo "no package source for $codename/main is configured: cannot fetch the qt6-base source" >&2
            return 1
        fi
        tail -n +2 <<<"$entry" | $sudo tee "/etc/apt/sources.list.d/turfpad-qt-source.$(head -1 <<<"$entry")" >/dev/null
        bash scripts/deps.sh --update-only
    fi
    mkdir -p "$src"
    (cd "$src" && apt-get source -q qt6-base)
}

# The files of the prefix that the programs and the ZIP are built from.
qt_files=(bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6PrintSupport.dll
    plugins/platforms/qwindows.dll plugins/styles/qwindowsvistastyle.dll lib/cmake/Qt6/qt.toolchain.cmake)
qt_installed() {
    local f
    for f in "${qt_files[@]}"; do
        [ -f "$qtprefix/$f" ] || { echo "qtbase: $qtprefix/$f is missing" >&2; return 1; }
    done
}

build_qt() {
    if [ -f "$qtprefix/.complete" ]; then
        if qt_installed; then
            echo "qtbase: cached in $qtprefix"
            return 0
        fi
        echo "qtbase: the cache is damaged; building it again" >&2
        rm -f "$qtprefix/.complete"
    fi
    install_tools
    fetch_qt_source
    local srcdir
    srcdir=$(ls -d "$cache"/src/qt6-base-*/ | head -1)
    # Qt's installed toolchain file loads this one for every program built against it, so the
    # cache keeps its own copy of the project's toolchain, with the shared MinGW runtime.
    local tc="$cache/mingw-i686.cmake"
    if [ ! -f "$tc" ]; then
        { echo 'set(TURFPAD_MINGW_SHARED_RUNTIME ON)'; cat cmake/mingw-i686.cmake; } >"$tc.part"
        mv "$tc.part" "$tc"
    fi
    local off=()
    for f in sql network dbus concurrent xml vulkan direct2d directwrite directwrite3 accessibility tabletevent \
        system_zlib system_pcre2 system_harfbuzz system_freetype system_png system_jpeg system_doubleconversion \
        system_libb2 system_textmarkdownreader; do
        off+=("-DFEATURE_$f=OFF")
    done
    # An interrupted build resumes where it stopped; only a folder never configured is configured.
    if [ ! -f "$cache/qtbuild/build.ninja" ]; then
        cmake -S "$srcdir" -B "$cache/qtbuild" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_INSTALL_PREFIX="$qtprefix" \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
            -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF "${off[@]}"
    fi
    cmake --build "$cache/qtbuild" --parallel "$jobs"
    cmake --install "$cache/qtbuild"
    # Marked complete only once the install holds what the programs and the ZIP need.
    qt_installed
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
    if [ ! -f "$qtprefix/.complete" ]; then
        echo "qtbase is not built yet: run $0 qt first" >&2
        exit 1
    fi
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

winbuild="${TURFPAD_WIN_BUILD:-build-windows}"
hostbuild="${TURFPAD_HOST_BUILD:-$winbuild/host}"

# Sourced with TURFPAD_BUILD_WINDOWS_FUNCTIONS=1 (by its test), the script only defines its functions.
[ -n "${TURFPAD_BUILD_WINDOWS_FUNCTIONS:-}" ] && return 0

case "$stage" in
qt)
    build_qt
    ;;
app)
    build_qt
    build_app
    ;;
zip | all)
    build_qt
    build_app
    pack_zip
    ;;
*)
    echo "usage: $0 [qt|app|zip|all]" >&2
    exit 2
    ;;
esac
