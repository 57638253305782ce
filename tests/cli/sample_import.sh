#!/usr/bin/env bash
# turfpad-cli sample writes a week's demo programme that turfpad-cli import files without a
# rejection; the same week gives the same files; usage errors exit with 2.
set -uo pipefail
cli="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cli" sample "$tmp/a" --week 2026-12-10 > "$tmp/list" || fail "sample exit $?"
[ "$(wc -l < "$tmp/list")" -eq 6 ] || fail "expected 6 files: $(cat "$tmp/list")"
grep -q '^RAVW2026121220261207000001.jvd	' "$tmp/list" || fail "Saturday's RA file missing"
"$cli" sample "$tmp/b" --week=2026-12-13 > /dev/null || fail "second sample"
diff -r "$tmp/a" "$tmp/b" > /dev/null || fail "the same week gave different files"

"$cli" import --data "$tmp/data" "$tmp"/a/*.jvd > "$tmp/filed" 2> "$tmp/summary" || fail "import exit $?"
grep -q '不正 0 件' "$tmp/summary" || fail "rejections: $(cat "$tmp/summary")"
ra=$(grep -c 'R/2026年12月1[23]日.*\.jvRA$' "$tmp/filed")
[ $((ra % 12)) -eq 0 ] && [ "$ra" -ge 48 ] || fail "RA records filed: $ra"
"$cli" days --data "$tmp/data" | head -1 | grep -q '^2026年12月13日' || fail "days"

# The most weeks: two race days each.
[ "$("$cli" sample "$tmp/y" --week 2026-12-10 --weeks 52 | grep -c '^RAVW')" -eq 104 ] || fail "52 weeks"

for args in "" "--week 2026-12-10" "$tmp/c --week 2026-13-01" "$tmp/c --week" "$tmp/c $tmp/d" "$tmp/c --bogus" \
    "$tmp/c --weeks 53" "$tmp/c --weeks=0"; do
    # shellcheck disable=SC2086
    "$cli" sample $args > /dev/null 2>&1
    rc=$?
    [ "$rc" -eq 2 ] || fail "sample $args exited $rc"
done
[ ! -e "$tmp/c" ] || fail "a usage error created the output folder"
echo ok
