#!/usr/bin/env bash
# The sample's CPU use while it holds 60 frames per second: user + system
# time over a 10 s window after a 2 s warm-up, as a share of one core.
#
#   bash bench/sample_cpu.sh [path/to/sample]
set -euo pipefail
cd "$(dirname "$0")/.."
sample=${1:-build/default/sample}
if [ -z "${DISPLAY:-}" ]; then
  . .ci/desktop.sh
  start_desktop
  trap stop_desktop EXIT
fi
"$sample" &
pid=$!
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep 2
t0=$(ticks)
s0=$(date +%s%N)
sleep 10
t1=$(ticks)
s1=$(date +%s%N)
kill "$pid"
wait "$pid" 2>/dev/null || true
hz=$(getconf CLK_TCK)
awk -v t="$((t1 - t0))" -v hz="$hz" -v ns="$((s1 - s0))" \
  'BEGIN { printf "sample CPU use: %.2f%% of one core (%d ticks at %d Hz over %.1f s)\n", 100 * t / hz / (ns / 1e9), t, hz, ns / 1e9 }'
