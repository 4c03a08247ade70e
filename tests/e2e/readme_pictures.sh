#!/usr/bin/env bash
# The README's pictures are there and true: every picture docs/make_pictures.sh
# makes is shown by the README and committed; the script, run again, makes the
# same game shots byte for byte; the chart is drawn from docs/compare.txt,
# whose table is the README's performance table, every row's name and ratio
# labelled in it in the table's order; the peer chart likewise from
# docs/peers.txt, whose tables follow it in the README, every row's name and
# each library's time labelled in order.
# Usage: readme_pictures.sh README GAME
README=${1:-}
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "${2:-}"
[ -f "$README" ] || fail "usage: $0 README GAME (no README '$README')"
ROOT=$(cd "$(dirname "$README")" && pwd)

for picture in docs/game.png docs/quitbox.png docs/performance.svg docs/peers.svg; do
    [ -s "$ROOT/$picture" ] || fail "$picture is missing"
    grep -qF "]($picture)" "$README" || fail "the README does not show $picture"
done
grep -qF "bash docs/make_pictures.sh" "$README" || fail "the README does not say how to remake its pictures"
grep -qF "bash docs/make_pictures.sh --peers" "$README" || fail "the README does not say how to remake the peer chart"
grep -qF "bash tests/e2e/replay_references.sh" "$README" || fail "the README does not say how to remake the replay's references"
ok "the README shows game.png, quitbox.png, performance.svg and peers.svg, and says how to remake them"

bash "$ROOT/docs/make_pictures.sh" --game "$PROGRAM" --out "$TMP" --no-chart >"$TMP/log" 2>&1 ||
    fail "docs/make_pictures.sh failed: $(cat "$TMP/log")"
for picture in game.png quitbox.png; do
    cmp -s "$TMP/$picture" "$ROOT/docs/$picture" ||
        fail "docs/make_pictures.sh makes another docs/$picture ($TMP/$picture): remake and commit the pictures"
done
ok "docs/make_pictures.sh makes docs/game.png and docs/quitbox.png again, byte for byte"

# The tables' rows: those of docs/compare.txt and docs/peers.txt, and the README's.
table() { grep -E '^\| ' "$1" | grep -vE '^\| row '; }
table "$ROOT/docs/compare.txt" >"$TMP/compare.rows"
table "$ROOT/docs/peers.txt" >"$TMP/peers.rows"
[ -s "$TMP/compare.rows" ] || fail "docs/compare.txt holds no table"
[ -s "$TMP/peers.rows" ] || fail "docs/peers.txt holds no table"
# Of the README's tables, those whose header is one of the two files' (the
# README has other tables, such as the literal step's timings).
awk '/^\|-/ { print last } { last = $0 }' "$ROOT/docs/compare.txt" "$ROOT/docs/peers.txt" >"$TMP/headers"
awk 'NR == FNR { want[$0] = 1; next }
     /^\|/ { if (!inside) keep = ($0 in want); inside = 1; if (keep && !/^\|-/) print; next }
     { inside = 0 }' "$TMP/headers" "$README" | grep -vE '^\| row ' >"$TMP/readme.rows"
diff "$TMP/readme.rows" <(cat "$TMP/compare.rows" "$TMP/peers.rows") >"$TMP/table.diff" ||
    fail "the README's performance tables are not docs/compare.txt's and docs/peers.txt's: $(cat "$TMP/table.diff")"
# The chart's labels, in order: the row names, then each row's ratio.
labels() { grep -o '<text[^>]*>[^<]*</text>' "$1" | sed 's/<[^>]*>//g; s/&gt;/>/g; s/&amp;/\&/g'; }
labels "$ROOT/docs/performance.svg" >"$TMP/labels"
awk -F'|' '{ gsub(/^ +| +$/, "", $2); print $2 }' "$TMP/compare.rows" >"$TMP/names"
awk -F'|' '{ gsub(/ /, "", $5); print $5 "×" }' "$TMP/compare.rows" >"$TMP/ratios"
grep -Fxf "$TMP/names" "$TMP/labels" | diff - "$TMP/names" >/dev/null ||
    fail "docs/performance.svg does not label the rows of docs/compare.txt in order: remake it"
grep -Fxf "$TMP/ratios" "$TMP/labels" | diff - "$TMP/ratios" >/dev/null ||
    fail "docs/performance.svg does not show the ratios of docs/compare.txt in order: remake it"
ok "docs/performance.svg charts the $(wc -l <"$TMP/names") rows of docs/compare.txt, which is the README's table"

# The peer chart's labels: the rows of the first table, then each library's times, in order.
labels "$ROOT/docs/peers.svg" >"$TMP/peer.labels"
awk -F'|' 'NF == 8 { gsub(/^ +| +$/, "", $2); print $2 }' "$TMP/peers.rows" >"$TMP/peer.names"
awk -F'|' 'NF == 8 { for (i = 3; i <= 6; i++) { gsub(/^ +| +$/, "", $i); t[i] = t[i] $i "\n" } }
    END { for (i = 3; i <= 6; i++) printf "%s", t[i] }' "$TMP/peers.rows" >"$TMP/peer.times"
[ -s "$TMP/peer.names" ] || fail "docs/peers.txt holds no table of times"
grep -Fxf "$TMP/peer.names" "$TMP/peer.labels" | diff - "$TMP/peer.names" >/dev/null ||
    fail "docs/peers.svg does not label the rows of docs/peers.txt in order: remake it"
grep -Fxf "$TMP/peer.times" "$TMP/peer.labels" | diff - "$TMP/peer.times" >/dev/null ||
    fail "docs/peers.svg does not show the times of docs/peers.txt in order: remake it"
ok "docs/peers.svg charts the $(wc -l <"$TMP/peer.names") rows of docs/peers.txt, which the README shows"
