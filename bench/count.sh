#!/usr/bin/env bash
# Instructions per call of the peer benchmark's rows in qx, counted by
# callgrind, which counts the same under any load: each row runs twice,
# with N and 2N calls (PEERS_CALLS, bench/peers/harness.h), and the
# difference divided by N is what one call costs, the checks and start-up
# cancelling out.
#
#   bash bench/count.sh [--qx-build DIR] [ROW...]   # default: pset line circle clear sprite flip text frame
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/default
if [ "${1:-}" = --qx-build ]; then build=$(realpath -e "$2"); shift 2; fi
rows=("$@")
[ ${#rows[@]} -gt 0 ] || rows=(pset line circle clear sprite flip text frame)
command -v valgrind >/dev/null || { echo "valgrind is needed (Debian: valgrind)" >&2; exit 1; }
cmake --build "$build" --target bench_peers_qx >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
total() {  # ROW CALLS: the instructions of the whole run
    (cd "$work" && env -u DISPLAY QX_HEADLESS=1 PEERS_ROW=$1 PEERS_CALLS=$2 \
        valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" "$build/bench/bench_peers_qx" \
        </dev/null >"$work/out.txt" 2>"$work/err.txt" || true)
    grep -q "^calls	$1	$2" "$work/out.txt" || { echo "$1: the run failed" >&2; cat "$work/out.txt" "$work/err.txt" >&2; exit 1; }
    sed -n 's/^summary: *//p' "$work/cg.out"
}
printf '%-8s %s\n' row "instructions per call (callgrind)"
for row in "${rows[@]}"; do
    n=200
    case $row in pset) n=200000 ;; line|circle|sprite|text) n=2000 ;; esac
    a=$(total "$row" "$n")
    b=$(total "$row" $((2 * n)))
    printf '%-8s %s\n' "$row" "$(awk -v a="$a" -v b="$b" -v n="$n" 'BEGIN { printf "%.1f", (b - a) / n }')"
done
