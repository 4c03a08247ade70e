#!/usr/bin/env bash
# Time from the sample's start to its first frame: from execve to the first
# Sleep of the frame loop (the first absolute-deadline clock_nanosleep; the
# layer's presenter thread sleeps with relative ones). Median of 5 starts.
#
#   bash bench/sample_startup.sh [path/to/sample]
set -euo pipefail
cd "$(dirname "$0")/.."
sample=${1:-build/default/sample}
command -v strace >/dev/null || { echo "needs strace (apt-get install strace)" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then
  . .ci/desktop.sh
  start_desktop
  trap stop_desktop EXIT
fi
times=()
for run in 1 2 3 4 5; do
  log=$(mktemp)
  strace -f --seccomp-bpf -ttt -e trace=execve,clock_nanosleep -o "$log" "$sample" &
  pid=$!
  sleep 1.5
  pkill -P "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  ms=$(awk '/execve\(/ && !t0 { t0 = $2 } /clock_nanosleep\(CLOCK_MONOTONIC, TIMER_ABSTIME/ && !t1 { t1 = $2 }
            END { if (t0 && t1) printf "%.1f", (t1 - t0) * 1000 }' "$log")
  rm -f "$log"
  times+=("$ms")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { printf "sample start to first frame: median %.1f ms (runs:", v[3]; for (i = 1; i <= NR; i++) printf " %s", v[i]; print ")" }'
