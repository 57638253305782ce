#!/usr/bin/env bash
# Builds the Qt-free core, turfpad-cli, their tests and the JV-Link test control as 32-bit
# Windows programs (MinGW-w64; 64-bit where the 32-bit Wine cannot be installed) and runs them
# under Wine: the core's tests, the COM backend and a whole acquisition against the test
# control, and turfpad-cli giving the Linux build's bytes.
# Usage: scripts/windows-core.sh LINUX-TURFPAD-CLI [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
linux_cli=$(realpath "$1")
build="${2:-build-windows-core}"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# 32-bit, as the program users get, is the normal path. The 32-bit Wine comes from the i386
# architecture, whose libraries must match the amd64 ones exactly: while a mirror serves a
# stale i386 list, wine32:i386 cannot be installed. The same checks then run as a 64-bit build
# under wine64 (TURFPAD_WINE_BITS=64 asks for that path), and the output says so.
bits="${TURFPAD_WINE_BITS:-32}"
bash scripts/deps.sh libgtest-dev bsdutils wine
if [ "$bits" = 32 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    if ! bash scripts/deps.sh g++-mingw-w64-i686-posix wine32:i386; then
        bits=64
        echo "== Windows checks: 64-bit under wine64, because wine32:i386 cannot be installed here (see apt's messages above)"
    fi
fi
if [ "$bits" = 64 ]; then
    bash scripts/deps.sh g++-mingw-w64-x86-64-posix wine64
    toolchain=cmake/mingw-x86_64.cmake
    build="$build-x86_64"
    extra=(-DTURFPAD_ALLOW_64BIT_WINDOWS=ON)
else
    echo "== Windows checks: 32-bit under wine32, as the program users get"
    toolchain=cmake/mingw-i686.cmake
    extra=()
fi
export WINEDEBUG=-all
# A prefix of its own for each bitness: a 32-bit prefix cannot run 64-bit programs.
export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/turfpad-wine$bits}"

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
    -DCMAKE_BUILD_TYPE=Release -DTURFPAD_WERROR=ON "${extra[@]}"
cmake --build "$build" --target turfpad-cli core_tests windows_tests TestJVLink
bin=$(realpath "$build/bin")
(cd "$bin" && wine core_tests.exe --gtest_brief=1 && wine windows_tests.exe --gtest_brief=1)

# The same commands on both builds, in folders of their own, must give the same bytes.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run_both() {
    (cd "$work/linux" && "$linux_cli" "$@" >>out.txt 2>>err.txt) || echo "exit $?" >>"$work/linux/out.txt"
    (cd "$work/windows" && wine "$bin/turfpad-cli.exe" "$@" >>out.txt 2>>err.txt) || echo "exit $?" >>"$work/windows/out.txt"
}
mkdir -p "$work/linux" "$work/windows"
run_both sample S --week 2026-12-12
run_both import --data D S/RAVW2026121220261207000001.jvd S/SEVW2026121220261207000002.jvd \
    S/RAVW2026121320261207000004.jvd S/SEVW2026121320261207000005.jvd
run_both days --data D
day=$(cd "$work/linux" && "$linux_cli" days --data D | head -1)
run_both card --data D "$day" 11
run_both card --data D --encoding cp932 "$day" 1
run_both schedule --data D "$day"
run_both card --data D "$day" 13
run_both sample H --week 2026-12-12 --weeks 3
mapfile -t weeks < <(cd "$work/linux" && ls H/*.jvd)
run_both import --data DH "${weeks[@]}"
run_both form --data DH 2026年12月12日阪神 11
# cp932 output of the listing, the day list and a usage error; the messages on standard
# error are compared too.
run_both_with_errors() {
    (cd "$work/linux" && "$linux_cli" "$@" >>out.txt 2>&1) || echo "exit $?" >>"$work/linux/out.txt"
    (cd "$work/windows" && wine "$bin/turfpad-cli.exe" "$@" >>out.txt 2>&1) || echo "exit $?" >>"$work/windows/out.txt"
}
run_both_with_errors import --encoding cp932 --data D932 S/RAVW2026121220261207000001.jvd S/SEVW2026121220261207000002.jvd
run_both_with_errors days --data D932 --encoding cp932
run_both_with_errors days --data D932 --encoding cp932 surplus

# On a console the text shows as it is, whatever the console's code page (Wine gives a program
# run in a pseudo-terminal a console): the same characters as the Linux build prints, standard
# output and standard error alike. (Short lines without blanks: Wine's console draws wrapped
# lines and blanks with cursor moves, which are taken out here.)
on_console() {
    (cd "$work/windows" && script -qc "wine '$bin/turfpad-cli.exe' $*" /dev/null </dev/null) |
        sed 's/\x1b\[[?0-9;]*[a-zA-Z]//g; s/\x1b\][^\x07]*\x07//g' | tr -d '\r'
}
for args in "days --data D" "card --data D 2026年12月19日中山 1"; do
    # shellcheck disable=SC2086
    if [ "$(on_console $args)" != "$(cd "$work/linux" && "$linux_cli" $args 2>&1)" ]; then
        echo "turfpad-cli.exe $args on a console does not show the Linux build's text" >&2
        exit 1
    fi
done
rm -f "$work"/*/err.txt
# The horse index records the write times of the files it was built from, which differ
# between the two runs; what it gives is compared through form above.
diff -r -x .turfpad-horses "$work/linux" "$work/windows"
echo "turfpad-cli.exe ($bits-bit) under Wine gave the Linux build's bytes ($(find "$work/linux" -type f | wc -l) files)"
