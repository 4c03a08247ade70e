#!/usr/bin/env bash
# Compares qx with the libraries a DOS-style game author would pick instead,
# all in software and from Debian's packages: Allegro 4 (32 bits per pixel),
# SDL2 with SDL2_gfx, Allegro 5 (memory bitmaps). One program each
# (bench/peers/): the same frame and operations on a 640 x 400 screen of
# doubled pixels, each first checking its own pixels. The four run side by
# side and interleaved: in each round, row by row, each program times the row
# while the others wait, so that a busy machine slows all alike; the table
# gives the medians over the rounds of CPU time per call.
#
#   bash bench/peers.sh                  # the four, then the table
#   bash bench/peers.sh --qx-only        # qx alone, quickly: its operations and the frame's parts
# Also: --rounds N (default 21; 5 with --qx-only), --qx-build DIR (build qx's
# program in that configured build folder instead of the default preset's),
# --out FILE (write the table there too).
#
# The peers' packages are installed here when missing; qx's own build never
# needs them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds= qx_only=0 qx_build= out=
while [ $# -gt 0 ]; do
    case $1 in
        --qx-only) qx_only=1; shift ;;
        --rounds) rounds=$2; shift 2 ;;
        --qx-build) qx_build=$(realpath -e "$2"); shift 2 ;;
        --out) out=$(realpath -m "$2"); shift 2 ;;
        *) echo "usage: $0 [--qx-only] [--rounds N] [--qx-build DIR] [--out FILE]" >&2; exit 2 ;;
    esac
done
[ -n "$rounds" ] || rounds=$([ "$qx_only" = 1 ] && echo 5 || echo 21)
[[ $rounds =~ ^[1-9][0-9]*$ ]] || { echo "--rounds takes a count, not '$rounds'" >&2; exit 2; }
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive

# ---- qx's program, from the tree
if [ -z "$qx_build" ]; then
    bash "$root/.ci/deps.sh"
    (cd "$root" && cmake --preset default >/dev/null)
    qx_build=$root/build/default
fi
nice -n 10 cmake --build "$qx_build" -j2 --target bench_peers_qx >/dev/null
programs=("$qx_build/bench/bench_peers_qx")
names=(qx)

# ---- The peers' programs, with their packages' pkg-config flags
if [ "$qx_only" = 0 ]; then
    missing=()
    for p in g++ pkg-config liballegro4-dev libsdl2-dev libsdl2-gfx-dev liballegro5-dev; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        $sudo apt-get update -q >/dev/null
        $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
    fi
    mkdir -p "$root/build/peers"
    peer() {  # NAME PKG-CONFIG-MODULE...
        local source=$root/bench/peers/$1.cpp program=$root/build/peers/$1
        if [ ! -x "$program" ] || [ "$source" -nt "$program" ] || [ "$root/bench/peers/harness.h" -nt "$program" ]; then
            # shellcheck disable=SC2046  # the flags are words
            nice -n 10 g++ -std=c++17 -O2 -g -Wall -Wextra -o "$program" "$source" $(pkg-config --cflags --libs "${@:2}")
        fi
        programs+=("$program")
        names+=("$1")
    }
    peer allegro4 allegro
    peer sdl2 SDL2_gfx sdl2
    peer allegro5 allegro_primitives-5 allegro_font-5 allegro-5
fi

# ---- The programs, started once each: their checks, then rounds in which
# each in turn times a row, the others waiting
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
failed() {  # INDEX WHAT
    echo "${names[$1]} (${programs[$1]}) $2:" >&2
    grep -v '^time' "$work/${names[$1]}.txt" >&2 || true
    cat "$work/${names[$1]}.err" >&2
    exit 1
}
# Reads program INDEX's lines until one begins with PREFIX; fails if it ends first.
reply() {  # INDEX PREFIX
    local line
    while IFS= read -r -u $((20 + $1)) line; do
        printf '%s\n' "$line" >>"$work/${names[$1]}.txt"
        case $line in "$2"*) return 0 ;; esac
    done
    if grep -q '^check	FAILED' "$work/${names[$1]}.txt"; then failed "$1" "failed its checks"; fi
    failed "$1" "ended before it answered"
}
# All on one CPU, the first this script may use: they run in turn, and on a
# shared machine one CPU can be slower than another for minutes at a time, so
# that programs left where the scheduler puts them would not be timed alike.
cpu=$(taskset -pc $$ 2>/dev/null | sed -n 's/.*: *\([0-9]*\).*/\1/p')
pin=()
[ -n "$cpu" ] && pin=(taskset -c "$cpu")
for i in "${!programs[@]}"; do
    mkfifo "$work/$i.in" "$work/$i.out"
    (
        # Not the ends of the other programs' pipes: each must see its own input end.
        for ((j = 0; j < i; j++)); do eval "exec $((10 + j))>&- $((20 + j))<&-"; done
        cd "$work" && exec "${pin[@]}" env -u DISPLAY QX_HEADLESS=1 "${programs[$i]}" <"$i.in" >"$i.out" 2>"${names[$i]}.err"
    ) &
    pids+=($!)
    eval "exec $((10 + i))>\"\$work/$i.in\" $((20 + i))<\"\$work/$i.out\""
    reply "$i" checks
done
for ((round = 1; round <= rounds; round++)); do
    for row in frame clear pset line circle sprite flip text; do
        for i in "${!programs[@]}"; do
            echo "$row" >&$((10 + i))
            reply "$i" time
        done
    done
done
for i in "${!programs[@]}"; do
    eval "exec $((10 + i))>&-"
    status=0
    wait "${pids[$i]}" || status=$?
    # The qx runtime ends every program with status 1.
    [ "$status" = "$([ "${names[$i]}" = qx ] && echo 1 || echo 0)" ] || failed "$i" "ended with status $status"
done
pids=()

# ---- The table
cd "$work"
LC_ALL=C awk -v rounds="$rounds" -v names="${names[*]}" '
    function visible(s) { gsub(/[\200-\277]/, "", s); return length(s) }  # UTF-8 characters, not bytes
    function cell(s, w) { return s sprintf("%" (w - visible(s) > 0 ? w - visible(s) : 0) "s", "") }
    function duration(ns) {
        if (ns < 1e3) return sprintf(ns < 10 ? "%.2f ns" : ns < 100 ? "%.1f ns" : "%.0f ns", ns)
        if (ns < 1e6) return sprintf(ns < 1e4 ? "%.2f µs" : ns < 1e5 ? "%.1f µs" : "%.0f µs", ns / 1e3)
        return sprintf(ns < 1e7 ? "%.2f ms" : "%.1f ms", ns / 1e6)
    }
    function median(lib, row,    n, v, i, j, t) {
        n = count[lib, row]
        for (i = 1; i <= n; i++) v[i] = times[lib, row, i]
        for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    # A table row of n cells, or with dashes for cells its rule under the header.
    function line(n, cells, dashes,    s, i) {
        s = "|"
        for (i = 1; i <= n; i++)
            s = s (dashes ? sprintf("%" width[i] + 2 "s|", "") : " " cell(cells[i], width[i]) " |")
        if (dashes) gsub(/ /, "-", s)
        print s
    }
    BEGIN {
        nlibs = split(names, lib, " ")
        title["qx"] = "qx"; title["allegro4"] = "Allegro 4"; title["sdl2"] = "SDL2 + SDL2_gfx"; title["allegro5"] = "Allegro 5"
        nrows = split("frame clear pset line circle sprite flip text", row, " ")
        split("frame|clear|pset 2×2|line|circle r 50|keyed sprite 16→32|flip 640×400|text FPS:60", label, "|")
        npix = split("sprite line circle text frame", piece, " ")
        split("keyed sprite 16→32|line (the first)|circle r 50 (the first)|text FPS:60|frame", plabel, "|")
    }
    FNR == 1 { split(FILENAME, part, "."); who = part[1] }
    $1 == "time" { times[who, $2, ++count[who, $2]] = $3 }
    $1 == "pixels" { pixels[who, $2] = $3 " " $4 }
    END {
        printf "Medians of %d %s, CPU time of the process per call (bash bench/peers.sh)\n\n", rounds,
            (nlibs > 1 ? "interleaved rounds" : "rounds of qx alone")
        # Columns: the row, each program, and qx against the fastest peer.
        n = split("20 10 10 15 10 17", width, " ")
        if (nlibs == 1) n = 2
        c[1] = "row"; c[2] = title[lib[1]]; c[3] = title[lib[2]]; c[4] = title[lib[3]]; c[5] = title[lib[4]]
        c[6] = "qx / fastest peer"
        line(n, c, 0)
        line(n, c, 1)
        for (r = 1; r <= nrows; r++) {
            best = 0
            c[1] = label[r]
            for (l = 1; l <= nlibs; l++) {
                m = median(lib[l], row[r])
                c[l + 1] = duration(m)
                if (l == 1) ours = m
                else if (best == 0 || m < best) best = m
            }
            c[6] = best > 0 ? sprintf("%.2f", ours / best) : ""
            line(n, c, 0)
        }
        if (nlibs == 1) {
            parts = median("qx", "clear") + 200 * median("qx", "sprite") + 50 * median("qx", "line") + \
                    10 * median("qx", "circle") + median("qx", "text") + median("qx", "flip")
            printf "\nthe frame'"'"'s parts: clear %s + 200 sprites %s + 50 lines %s + 10 circles %s + text %s + flip %s = %s (the frame: %s)\n",
                duration(median("qx", "clear")), duration(200 * median("qx", "sprite")), duration(50 * median("qx", "line")),
                duration(10 * median("qx", "circle")), duration(median("qx", "text")), duration(median("qx", "flip")),
                duration(parts), duration(median("qx", "frame"))
        }
        printf "\nPixels changed from the clear colour, as each program checked them:\n\n"
        n = split("24 15 15 15 15", width, " ")
        n = nlibs + 1
        c[1] = "piece"
        for (l = 1; l <= nlibs; l++) c[l + 1] = title[lib[l]]
        line(n, c, 0)
        line(n, c, 1)
        for (p = 1; p <= npix; p++) {
            c[1] = plabel[p]
            for (l = 1; l <= nlibs; l++) { split(pixels[lib[l], piece[p]], f, " "); c[l + 1] = f[1] }
            line(n, c, 0)
        }
    }' "${names[@]/%/.txt}" >table.txt
cat table.txt
[ -z "$out" ] || cp table.txt "$out"
