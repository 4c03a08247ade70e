#!/usr/bin/env bash
# Makes the README's pictures, all in docs/:
#   game.png, quitbox.png  shots of the example game's replay (the key script
#                          tests/e2e/replay/keys.txt), played headless: a hit
#                          in play, and the quit box;
#   performance.svg        a bar chart of the ratios Wine / ours in the output
#                          of bench/compare.sh saved as docs/compare.txt (the
#                          README's performance table is that output);
#   peers.svg              with --peers or --peers-file only: a bar chart of
#                          the output of bench/peers.sh saved as docs/peers.txt,
#                          each library's time against the fastest's, row by row.
# The shots come out the same on every run; the chart is drawn with gnuplot,
# installed here when missing (Debian: gnuplot-nox).
#
#   bash docs/make_pictures.sh                  # all three, from docs/compare.txt
#   bash docs/make_pictures.sh --bench          # run bench/compare.sh first, into docs/compare.txt
#   bash docs/make_pictures.sh --compare FILE   # a saved output of bench/compare.sh, into docs/compare.txt
#   bash docs/make_pictures.sh --peers          # peers.svg only: run bench/peers.sh first, into docs/peers.txt
#   bash docs/make_pictures.sh --peers-file FILE  # peers.svg only, from a saved output of bench/peers.sh
# Also: --game PATH (a built example game, instead of building it),
# --out DIR (write there instead of docs/), --no-chart (the shots only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/docs game= compare= chart=1 bench=0 peers=
while [ $# -gt 0 ]; do
    case $1 in
        --game) game=$(realpath -e "$2"); shift 2 ;;
        --out) out=$(mkdir -p "$2" && cd "$2" && pwd); shift 2 ;;
        --compare) compare=$(realpath -e "$2"); shift 2 ;;
        --bench) bench=1; shift ;;
        --no-chart) chart=0; shift ;;
        --peers) peers=run; shift ;;
        --peers-file) peers=$(realpath -e "$2"); shift 2 ;;
        *) echo "usage: $0 [--game PATH] [--out DIR] [--compare FILE | --bench] [--no-chart] [--peers | --peers-file FILE]" >&2
           exit 2 ;;
    esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
need_gnuplot() {
    command -v gnuplot >/dev/null && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get install -y -q --no-install-recommends gnuplot-nox >/dev/null
}

# ---- The peer chart, alone
if [ -n "$peers" ]; then
    if [ "$peers" = run ]; then
        bash "$root/bench/peers.sh" --out "$work/peers.txt"
        peers=$work/peers.txt
    fi
    [ "$peers" = "$out/peers.txt" ] || cp "$peers" "$out/peers.txt"
    echo "$out/peers.txt (copy its tables into the README's)"
    need_gnuplot
    # The first table's rows as bars, "y<TAB>ratio<TAB>time" in one block per
    # library; a row's four bars sit together, the fastest one 1.
    LC_ALL=C awk -F'|' -v ticsfile="$work/tics.gp" '
        BEGIN { n = 0 }
        function ns(t,    v) { v = t + 0; return t ~ /ms/ ? v * 1e6 : t ~ /ns/ ? v : v * 1e3 }
        NF == 8 && $2 !~ /^ *(row *|-+)$/ && !done {
            for (i = 2; i <= 7; i++) gsub(/^ +| +$/, "", $i)
            name[n] = $2
            best = 0
            for (l = 0; l < 4; l++) { t[n, l] = $(3 + l); if (best == 0 || ns(t[n, l]) < best) best = ns(t[n, l]) }
            for (l = 0; l < 4; l++) ratio[n, l] = ns(t[n, l]) / best
            n++
        }
        NF != 8 && n > 0 { done = 1 }
        END {
            if (n == 0) exit 1
            for (l = 0; l < 4; l++) {
                for (r = 0; r < n; r++) printf "%d\t%.4f\t%s\n", r * 5 + l, ratio[r, l], t[r, l]
                printf "\n\n"
            }
            tics = ""
            for (r = 0; r < n; r++) tics = tics (r ? ", " : "") sprintf("\"%s\" %.1f", name[r], r * 5 + 1.5)
            # Room right of the longest bar for its label, the scale at least 400x.
            top = 400
            for (r = 0; r < n; r++) for (l = 0; l < 4; l++) if (ratio[r, l] * 3 > top) top = ratio[r, l] * 3
            printf "set ytics (%s)\nset yrange [%d:-1]\nset xrange [0.5:%g]\n", tics, n * 5 - 1, top >ticsfile
        }' "$peers" >"$work/bars.tsv" || { echo "no table rows in $peers" >&2; exit 1; }
    bars=$(grep -c . "$work/bars.tsv")
    (cd "$work" && gnuplot) <<GNUPLOT
set terminal svg size 760,$((100 + 14 * bars)) font "sans,12" background "white"
set output "$out/peers.svg"
set datafile separator "\t"
set termoption noenhanced
set title "Each library's time per call against the fastest of the four (shorter: faster)"
set logscale x
set xrange [0.5:400]
set format x "%g×"
set xtics nomirror
set ytics nomirror scale 0
load "tics.gp"
set grid xtics
set border 1
set key inside bottom right vertical box opaque
set style fill solid 0.85 noborder
colours = "#3a6ea5 #c05a28 #4f9a3a #8a5aa8"
plot for [l = 0:3] "bars.tsv" index l using (0.5):1:(0.5):2:(\$1 - 0.45):(\$1 + 0.45) \
         with boxxyerror lc rgb word(colours, l + 1) title (l == 0 ? "qx" : l == 1 ? "Allegro 4" : l == 2 ? "SDL2 + SDL2_gfx" : "Allegro 5"), \
     for [l = 0:3] "bars.tsv" index l using (\$2 * 1.08):1:3 with labels left font "sans,10" notitle
GNUPLOT
    echo "$out/peers.svg"
    exit 0
fi

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
need_gnuplot
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
