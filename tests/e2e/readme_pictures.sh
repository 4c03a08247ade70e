#!/usr/bin/env bash
# The README's pictures are there and true: every picture docs/make_pictures.sh
# makes is shown by the README and committed; the script, run again, makes the
# same game shots byte for byte; the chart is drawn from docs/compare.txt,
# whose table is the README's performance table, every row's name and ratio
# labelled in it in the table's order.
# Usage: readme_pictures.sh README GAME
README=${1:-}
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "${2:-}"
[ -f "$README" ] || fail "usage: $0 README GAME (no README '$README')"
ROOT=$(cd "$(dirname "$README")" && pwd)

for picture in docs/game.png docs/quitbox.png docs/performance.svg; do
    [ -s "$ROOT/$picture" ] || fail "$picture is missing"
    grep -qF "]($picture)" "$README" || fail "the README does not show $picture"
done
grep -qF "bash docs/make_pictures.sh" "$README" || fail "the README does not say how to remake its pictures"
grep -qF "bash tests/e2e/replay_references.sh" "$README" || fail "the README does not say how to remake the replay's references"
ok "the README shows game.png, quitbox.png and performance.svg, and says how to remake them"

bash "$ROOT/docs/make_pictures.sh" --game "$PROGRAM" --out "$TMP" --no-chart >"$TMP/log" 2>&1 ||
    fail "docs/make_pictures.sh failed: $(cat "$TMP/log")"
for picture in game.png quitbox.png; do
    cmp -s "$TMP/$picture" "$ROOT/docs/$picture" ||
        fail "docs/make_pictures.sh makes another docs/$picture ($TMP/$picture): remake and commit the pictures"
done
ok "docs/make_pictures.sh makes docs/game.png and docs/quitbox.png again, byte for byte"

# The table's rows: those of docs/compare.txt, and the README's.
table() { grep -E '^\| ' "$1" | grep -vE '^\| row '; }
table "$ROOT/docs/compare.txt" >"$TMP/compare.rows"
[ -s "$TMP/compare.rows" ] || fail "docs/compare.txt holds no table"
table "$README" | diff - "$TMP/compare.rows" >"$TMP/table.diff" ||
    fail "the README's performance table is not docs/compare.txt's: $(cat "$TMP/table.diff")"
# The chart's labels, in order: the row names, then each row's ratio.
grep -o '<text[^>]*>[^<]*</text>' "$ROOT/docs/performance.svg" | sed 's/<[^>]*>//g; s/&gt;/>/g; s/&amp;/\&/g' >"$TMP/labels"
awk -F'|' '{ gsub(/^ +| +$/, "", $2); print $2 }' "$TMP/compare.rows" >"$TMP/names"
awk -F'|' '{ gsub(/ /, "", $5); print $5 "×" }' "$TMP/compare.rows" >"$TMP/ratios"
grep -Fxf "$TMP/names" "$TMP/labels" | diff - "$TMP/names" >/dev/null ||
    fail "docs/performance.svg does not label the rows of docs/compare.txt in order: remake it"
grep -Fxf "$TMP/ratios" "$TMP/labels" | diff - "$TMP/ratios" >/dev/null ||
    fail "docs/performance.svg does not show the ratios of docs/compare.txt in order: remake it"
ok "docs/performance.svg charts the $(wc -l <"$TMP/names") rows of docs/compare.txt, which is the README's table"
