#!/usr/bin/env bash
# Proves the Windows ZIP under Wine, in a fresh 32-bit prefix on a virtual display:
#  1. turfpad-cli.exe from the unpacked ZIP gives the Linux build's bytes for sample, import,
#     days, card and schedule, and a race card PDF with the same pages and text;
#  2. the test JV-Link control is registered in the prefix, turfpad.exe starts with it, shows
#     its main window (a screenshot is kept), fetches the demo week through the acquisition
#     window, shows a race card of a demo day and prints it to a PDF, which must hold the
#     card the command line prints.
# Usage: scripts/windows-proof.sh [ZIP] [LINUX-TURFPAD-CLI]   (defaults: what build-windows.sh made)
# Screenshots and PDFs go to $TURFPAD_PROOF_OUT (default build-windows/proof).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/deps.sh wine wine32:i386 xvfb xauth xdotool imagemagick poppler-utils unzip python3 cmake ninja-build \
    g++-mingw-w64-i686-posix

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

zip=$(realpath "${1:-$(ls build-windows/Turfpad-*-win32.zip | head -1)}")
linux_cli=$(realpath "${2:-build-windows/host/bin/turfpad-cli}")
out=$(realpath -m "${TURFPAD_PROOF_OUT:-build-windows/proof}")
mkdir -p "$out"
export WINEDEBUG=-all WINEARCH=win32 LC_ALL=C.UTF-8
# turfpad.exe says where its widgets are, so that no click depends on a layout written down here.
export TURFPAD_WIDGET_MAP='C:\widgets.tsv'
work=$(mktemp -d /tmp/turfpad-proof.XXXXXX)
export WINEPREFIX="$work/prefix"
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A PDF's text, page by page, as its sorted characters: the two systems draw with other fonts
# (Wine has no MS fonts and takes whatever CJK font it finds), so positions differ, and with
# them the order a text extractor sees and where it splits words ("牝 2" or "牝2"); the
# characters must not. NFKC folds the radicals some fonts map their kanji to (⽉ for 月) back to
# the kanji; a font that draws the middle dot and the katakana one with one glyph gives either.
pdf_characters() {
    pdftotext "$1" - | python3 -c '
import sys, unicodedata
for n, page in enumerate(sys.stdin.read().split("\f")[:-1], 1):
    text = unicodedata.normalize("NFKC", page).replace("\u00b7", "\u30fb")
    print("page %d: %s" % (n, "".join(sorted(c for c in text if not c.isspace()))))'
}
step() { printf '\n== %s\n' "$*"; }
fail() {
    echo "FAILED: $*" >&2
    import -window root "$out/failure.png" 2>/dev/null || true
    find "$WINEPREFIX/drive_c" -newer "$zip" -name '*.pdf' >&2 || true
    exit 1
}

step "fresh 32-bit Wine prefix"
wineboot -i >/dev/null 2>&1
wineserver -w
unzip -q "$zip" -d "$WINEPREFIX/drive_c"
app=$(ls -d "$WINEPREFIX"/drive_c/Turfpad-*-win32)
ls "$app"

step "turfpad-cli.exe against the Linux build"
mkdir -p "$work/linux" "$work/windows"
run_both() {
    (cd "$work/linux" && "$linux_cli" "$@" >>out.txt 2>>err.txt) || echo "exit $?" >>"$work/linux/out.txt"
    (cd "$work/windows" && wine "$app/turfpad-cli.exe" "$@" >>out.txt 2>>err.txt) ||
        echo "exit $?" >>"$work/windows/out.txt"
}
run_both sample S --week 2026-12-12
mapfile -t week < <(cd "$work/linux" && ls S/*.jvd)
run_both import --data D "${week[@]}"
run_both days --data D
day=$(cd "$work/linux" && "$linux_cli" days --data D | sed -n 2p)
run_both card --data D "$day" 11
run_both card --data D --encoding cp932 "$day" 1
run_both schedule --data D "$day"
run_both form --data D "$day" 11
run_both pdf --data D "$day" card.pdf
run_both pdf --schedule --data D "$day" schedule.pdf
for d in linux windows; do
    for f in card schedule; do
        pdfinfo "$work/$d/$f.pdf" | grep '^Pages:' >"$work/$d/$f.pages"
        pdf_characters "$work/$d/$f.pdf" >"$work/$d/$f.txt"
        rm "$work/$d/$f.pdf"
    done
done
rm -f "$work"/*/err.txt
# The horse index records the write times of the files it was built from, which differ between
# the two runs; what it gives is compared through form.
diff -r -x .turfpad-horses "$work/linux" "$work/windows" >&2 || fail "turfpad-cli.exe differs from the Linux build"
echo "same bytes: $(find "$work/linux" -type f | wc -l) files ($(cat "$work/linux/card.pages"))"

step "the test JV-Link control"
control="$work/control"
cmake -S . -B build-windows/control -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows/control --target TestJVLink
mkdir -p "$control"
cp build-windows/control/bin/TestJVLink.dll "$control/"
wine regsvr32 /s "$control/TestJVLink.dll" || fail "regsvr32 TestJVLink.dll"
wine reg query 'HKCR\JVDTLab.JVLink\CLSID' | grep -q 2AB1774D || fail "JVDTLab.JVLink is not registered"

step "turfpad.exe: main window"
(cd "$app" && wine turfpad.exe >"$work/turfpad.log" 2>&1 &)
title="ターフパッド for JRA-VAN Data Lab."
wait_window() { # NAME SECONDS: the first window of that name
    local i
    for ((i = 0; i < $2 * 2; i++)); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 && return 0
        sleep 0.5
    done
    return 1
}
gone() { # NAME SECONDS: waits until no window has that name
    local i
    for ((i = 0; i < $2 * 2; i++)); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.5
    done
    return 1
}
click() { # WINDOW X Y, in the window's own coordinates
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 1
}
widget_middle() { # WINDOW-TITLE OBJECT-NAME: "x y", the middle of where the widget was last shown
    local x y w h
    read -r x y w h < <(awk -F'\t' -v t="$1" -v n="$2" '$1 == t && $2 == n { p = $3 " " $4 " " $5 " " $6 }
        END { print p }' "$WINEPREFIX/drive_c/widgets.tsv" 2>/dev/null)
    [ -n "${h:-}" ] || fail "turfpad.exe reported no widget $2 in the window $1"
    echo "$((x + w / 2)) $((y + h / 2))"
}
click_widget() { # WINDOW WINDOW-TITLE OBJECT-NAME
    local at
    at=$(widget_middle "$2" "$3")
    # shellcheck disable=SC2086
    click "$1" $at
}
main=$(wait_window "$title" 90) || fail "no window titled $title"
sleep 3
import -window root "$out/main-window.png"
echo "main window: $out/main-window.png"

step "turfpad.exe: fetching the demo week through the test control"
click_widget "$main" "$title" JVBtn # JVデータ取得 on the tool bar
acq=$(wait_window "ＪＶデータ取込" 30) || fail "the acquisition window did not open"
sleep 1
click_widget "$acq" "ＪＶデータ取込" ButtonStart # データ取込み開始
box=$(wait_window "ターフパッド" 30) || fail "no notice before the acquisition"
sleep 1
import -window root "$out/acquisition-notice.png"
xdotool windowfocus "$box" key Return # the notice's OK
sleep 3
import -window root "$out/acquisition-window.png"
box=$(wait_window "ターフパッド" 240) || fail "the acquisition did not end"
sleep 1
import -window root "$out/acquisition-done.png"
xdotool windowfocus "$box" key Return # データ作成が完了しました。
sleep 1
xdotool windowfocus "$acq" key Escape # the window stays open until its user closes it
gone "ＪＶデータ取込" 30 || fail "the acquisition window did not close"
# What the acquisition filed through COM is what turfpad-cli files from the same week.
mkdir -p "$work/week"
(cd "$work/week" && "$linux_cli" sample S >/dev/null && "$linux_cli" import --data D S/*.jvd >/dev/null 2>&1)
for f in "$work/week/D"/*.jv*; do
    cmp "$f" "$app/Data/$(basename "$f")" || fail "the acquisition filed $(basename "$f") differently"
done
echo "the acquisition filed the week's $(ls "$work/week/D" | wc -l) data files byte for byte"

step "turfpad.exe: a demo day's race card, printed to PDF"
day=$(cd "$app" && wine turfpad-cli.exe days | head -1 | tr -d '\r')
# A turn of the mouse wheel over the day list chooses its first day, which shows its first race.
combo=$(widget_middle "$title" DateCombo)
# shellcheck disable=SC2086
xdotool mousemove --window "$main" $combo click 5
sleep 3
import -window root "$out/race-card.png"
click_widget "$main" "$title" print1btn # 出馬表印刷
preview=$(wait_window "ターフパッド　印刷" 30) || fail "the page preview did not open"
sleep 2
import -window root "$out/page-preview.png"
xdotool windowfocus "$preview" key --clearmodifiers alt+a # 全ﾍﾟｰｼﾞ印刷: without a printer, a PDF file
save=$(wait_window "PDFファイルに保存" 30) || fail "no dialog asking for the PDF file"
sleep 2
import -window root "$out/save-dialog.png"
xdotool windowfocus "$save" key End shift+Home BackSpace # the suggested name out
xdotool type --delay 50 'C:\gui-card.pdf'
sleep 1
import -window root "$out/save-dialog-typed.png"
xdotool key Return
for ((i = 0; i < 60; i++)); do
    [ -s "$WINEPREFIX/drive_c/gui-card.pdf" ] && break
    sleep 1
done
[ -s "$WINEPREFIX/drive_c/gui-card.pdf" ] || fail "no race card PDF written"
sleep 2
cp "$WINEPREFIX/drive_c/gui-card.pdf" "$out/"
(cd "$app" && wine turfpad-cli.exe pdf "$day" 'C:\cli-card.pdf') || fail "turfpad-cli.exe pdf $day"
for f in gui-card cli-card; do
    pdfinfo "$WINEPREFIX/drive_c/$f.pdf" | grep '^Pages:' >"$work/$f.txt"
    pdf_characters "$WINEPREFIX/drive_c/$f.pdf" >>"$work/$f.txt"
done
diff "$work/cli-card.txt" "$work/gui-card.txt" || fail "the printed race cards differ from turfpad-cli pdf"
pdftoppm -png -r 60 -f 1 -l 1 "$out/gui-card.pdf" "$out/gui-card"
echo "turfpad.exe printed $day: $(head -1 "$work/gui-card.txt"), as turfpad-cli prints it"
import -window root "$out/after-print.png"
echo "Windows proof passed; screenshots in $out"
