#!/usr/bin/env bash
# Makes the README's pictures, all in docs/:
#   game.png, quitbox.png  shots of the example game's replay (the key script
#                          tests/e2e/replay/keys.txt), played headless: a hit
#                          in play, and the quit box;
#   performance.svg        a bar chart of the ratios Wine / ours in the output
#                          of bench/compare.sh saved as docs/compare.txt (the
#                          README's performance table is that output).
# The shots come out the same on every run; the chart is drawn with gnuplot,
# installed here when missing (Debian: gnuplot-nox).
#
#   bash docs/make_pictures.sh                  # all three, from docs/compare.txt
#   bash docs/make_pictures.sh --bench          # run bench/compare.sh first, into docs/compare.txt
#   bash docs/make_pictures.sh --compare FILE   # a saved output of bench/compare.sh, into docs/compare.txt
# Also: --game PATH (a built example game, instead of building it),
# --out DIR (write there instead of docs/), --no-chart (the shots only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/docs game= compare= chart=1 bench=0
while [ $# -gt 0 ]; do
    case $1 in
        --game) game=$(realpath -e "$2"); shift 2 ;;
        --out) out=$(mkdir -p "$2" && cd "$2" && pwd); shift 2 ;;
        --compare) compare=$(realpath -e "$2"); shift 2 ;;
        --bench) bench=1; shift ;;
        --no-chart) chart=0; shift ;;
        *) echo "usage: $0 [--game PATH] [--out DIR] [--compare FILE | --bench] [--no-chart]" >&2; exit 2 ;;
    esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ---- The game's shots
if [ -z "$game" ]; then
    (cd "$root" && cmake --preset default >/dev/null && cmake --build --preset default --target hoshizora >/dev/null)
    game=$root/build/default/examples/hoshizora
fi
status=0
bash "$root/tests/e2e/replay/play.sh" "$game" "$work/replay" 2>"$work/err" || status=$?
[ "$status" = 1 ] || { echo "the replay ended with status $status, not 1:" >&2; cat "$work/err" >&2; exit 1; }
cp "$work/replay/hit.png" "$out/game.png"
cp "$work/replay/box.png" "$out/quitbox.png"
echo "$out/game.png $out/quitbox.png"
[ "$chart" = 1 ] || exit 0

# ---- The chart
if [ "$bench" = 1 ]; then
    bash "$root/bench/compare.sh" >"$work/compare.txt"
    compare=$work/compare.txt
fi
if [ -n "$compare" ]; then
    cp "$compare" "$out/compare.txt"
    echo "$out/compare.txt (copy its table into the README's)"
else
    compare=$root/docs/compare.txt
fi
if ! command -v gnuplot >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get install -y -q --no-install-recommends gnuplot-nox >/dev/null
fi
# The table's rows, "name<TAB>ratio", top to bottom.
awk -F'|' 'NF == 6 && $2 !~ /^ *(row *|-+)$/ && $5 ~ /[0-9]/ {
    gsub(/^ +| +$/, "", $2); gsub(/ /, "", $5); print $2 "\t" $5 }' "$compare" >"$work/ratios.tsv"
rows=$(wc -l <"$work/ratios.tsv")
[ "$rows" -gt 0 ] || { echo "no table rows in $compare" >&2; exit 1; }
(cd "$work" && gnuplot) <<GNUPLOT
set terminal svg size 720,$((60 + 24 * rows)) font "sans,12" background "white"
set output "$out/performance.svg"
set datafile separator "\t"
set termoption noenhanced
set title "Wine / ours, time per call (longer: ours faster)"
set logscale x
set xrange [0.5:4000]
set yrange [$rows:-1]
set format x "%g×"
set xtics nomirror
set ytics nomirror scale 0
set grid xtics
set border 1
set key off
set style fill solid 0.8 noborder
plot "ratios.tsv" using 2:0:(0.5):2:(\$0 - 0.35):(\$0 + 0.35):ytic(1) with boxxyerror lc rgb "#3a6ea5", \
     "" using (\$2 * 1.12):0:(sprintf("%s×", strcol(2))) with labels left font "sans,11"
GNUPLOT
echo "$out/performance.svg"
