#!/usr/bin/env bash
# scripts/build-windows.sh against stand-ins for the tools it runs: a failing step in any stage
# stops the script whatever stage is named, qtbase is marked complete only once its install
# holds what the programs need, and the source entry comes from the machine's own sources.
set -uo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/build-windows.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The stand-ins log their arguments; STUB_FAIL (an extended regular expression) makes the
# matching call fail, STUB_SKIP names a file the qtbase install leaves out.
stubs="$work/stubs"
mkdir -p "$stubs"
cat >"$stubs/stub" <<'STUB'
#!/usr/bin/env bash
name=$(basename "$0")
echo "$name $*" >>"$STUB_LOG"
if [ -n "${STUB_FAIL:-}" ] && grep -Eq -- "$STUB_FAIL" <<<"$name $*"; then exit 1; fi
case "$name $*" in
"dpkg-query "*) echo "install ok installed" ;;
"cmake --install "*)
    for f in bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6PrintSupport.dll \
        plugins/platforms/qwindows.dll plugins/styles/qwindowsvistastyle.dll lib/cmake/Qt6/qt.toolchain.cmake; do
        [ "$f" = "${STUB_SKIP:-}" ] && continue
        mkdir -p "$(dirname "$QTPREFIX/$f")" && touch "$QTPREFIX/$f"
    done ;;
"cmake -S "*)
    dir=$(sed -n 's/.* -B \([^ ]*\).*/\1/p' <<<"$*")
    mkdir -p "$dir" && touch "$dir/build.ninja" ;;
"cmake --build "*)
    mkdir -p "$2/bin" && touch "$2/bin/turfpad.exe" "$2/bin/turfpad-cli.exe" "$2/bin/Turfpad.pdf" ;;
"zip "*) touch "$3" ;;
esac
exit 0
STUB
chmod +x "$stubs/stub"
for t in cmake dpkg-query dpkg apt-get sudo zip unzip i686-w64-mingw32-objdump i686-w64-mingw32-strip; do
    ln -s stub "$stubs/$t"
done

# Runs the script on a fresh cache; a complete qtbase install is made first when $1 is "cached".
case_no=0
run() {
    local cached="$1"
    shift
    case_no=$((case_no + 1))
    dir="$work/case$case_no"
    export TURFPAD_WIN_CACHE="$dir/cache" TURFPAD_WIN_BUILD="$dir/win" STUB_LOG="$dir/log"
    export QTPREFIX="$dir/cache/qt6-i686"
    mkdir -p "$dir/cache/src/qt6-base-6.4.2/"
    touch "$STUB_LOG"
    if [ "$cached" = cached ]; then
        STUB_FAIL="" STUB_SKIP="" "$stubs/cmake" --install x
        touch "$QTPREFIX/.complete"
    fi
    PATH="$stubs:$PATH" bash "$script" "$@" >"$dir/out" 2>&1
}
expect_failed() { # what
    [ "$rc" -ne 0 ] || fail "$1: the script went on (exit 0)"
}

# A failing step of each stage, with the stages named as a user names them.
for stage in qt app zip all; do
    STUB_FAIL='^cmake --build .*qtbuild' run fresh "$stage"
    rc=$?
    expect_failed "qtbase build failing ($stage)"
    [ ! -e "$QTPREFIX/.complete" ] || fail "qtbase marked complete after its build failed ($stage)"
    ! grep -q '^cmake --install' "$STUB_LOG" || fail "qtbase installed after its build failed ($stage)"
done

STUB_FAIL='^cmake --install' run fresh all
rc=$?
expect_failed "qtbase install failing"
[ ! -e "$QTPREFIX/.complete" ] || fail "qtbase marked complete after its install failed"

STUB_SKIP=plugins/platforms/qwindows.dll run fresh all
rc=$?
expect_failed "qtbase installed without the platform plugin"
[ ! -e "$QTPREFIX/.complete" ] || fail "qtbase marked complete without the platform plugin"
! grep -q 'qt.toolchain.cmake' "$STUB_LOG" || fail "the programs were built against an incomplete qtbase"

STUB_FAIL='^cmake --build .*/host' run cached all
rc=$?
expect_failed "host build failing"
! grep -q 'qt.toolchain.cmake' "$STUB_LOG" || fail "the cross build ran after the host build failed"

STUB_FAIL='^cmake --build .*/win --parallel' run cached zip
rc=$?
expect_failed "program build failing"
! grep -q '^zip ' "$STUB_LOG" || fail "the ZIP was packed after the program build failed"

STUB_FAIL='^i686-w64-mingw32-strip' run cached all
rc=$?
expect_failed "strip failing"
! grep -q '^zip ' "$STUB_LOG" || fail "the ZIP was packed after strip failed"

# A cache marked complete that lost a file is built again; a whole one is reused.
run cached qt
rc=$?
[ "$rc" -eq 0 ] && ! grep -q '^cmake --build' "$STUB_LOG" || fail "a complete cache was not reused"
rm -f "$work/case$case_no/cache/qt6-i686/bin/Qt6Gui.dll"
touch "$work/case$case_no/log.keep"
STUB_LOG="$work/case$case_no/log" PATH="$stubs:$PATH" bash "$script" qt >/dev/null 2>&1
grep -q '^cmake --build .*qtbuild' "$work/case$case_no/log" || fail "a damaged cache was reused"
[ -f "$work/case$case_no/cache/qt6-i686/bin/Qt6Gui.dll" ] && [ -f "$work/case$case_no/cache/qt6-i686/.complete" ] ||
    fail "a damaged cache was not made whole"

run fresh all
rc=$?
[ "$rc" -eq 0 ] || fail "the whole build failed with every step passing: $(cat "$dir/out")"
[ -f "$QTPREFIX/.complete" ] || fail "qtbase not marked complete after a whole build"
grep -q '^zip ' "$STUB_LOG" || fail "no ZIP after a whole build"

# The deb-src entry is the machine's own entry for the release: its URI and key, in its format.
# shellcheck source=/dev/null
entry() { (TURFPAD_BUILD_WINDOWS_FUNCTIONS=1 source "$script" && source_entry "$@"); }
src="$work/sources"
mkdir -p "$src"
cat >"$src/a.sources" <<'S'
# the security suite first, a disabled entry, then the release itself
Types: deb
URIs: http://security.example.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://disabled.example.org/debian
Suites: bookworm
Components: main
Enabled: no

Types: deb deb-src
URIs: http://mirror.example.net/debian
Suites: bookworm bookworm-updates
Components: contrib main
Signed-By: /etc/apt/keyrings/local.gpg
S
want=$'sources\nTypes: deb-src\nURIs: http://mirror.example.net/debian\nSuites: bookworm\nComponents: main\nSigned-By: /etc/apt/keyrings/local.gpg'
got=$(entry bookworm "$src/a.sources")
[ "$got" = "$want" ] || fail "deb822 source entry: got [$got]"
printf '%s\n' '# deb http://old.example.org/debian bookworm main' \
    'deb [signed-by=/k.gpg arch=amd64] http://proxy.example.com:3142/debian bookworm main contrib' >"$src/b.list"
got=$(entry bookworm "$src/none.sources" "$src/b.list")
[ "$got" = $'list\ndeb-src [signed-by=/k.gpg arch=amd64] http://proxy.example.com:3142/debian bookworm main' ] ||
    fail "one-line source entry: got [$got]"
entry trixie "$src/a.sources" "$src/b.list" >/dev/null && fail "a source entry for a release no entry names"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "build-windows.sh: every stage stops at its first failure"
