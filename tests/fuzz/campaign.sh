#!/usr/bin/env bash
# A fuzzing campaign against the BMP loader: libFuzzer with the recipe
# mutator (bmp_fuzz.cpp) and the dictionary (bmp.dict), from the seed corpus
# and whatever corpus earlier campaigns left in the same directory, until
# the time or the number of executions runs out. It runs at the lowest CPU
# priority, as the machine is shared.
#
# Usage: tests/fuzz/campaign.sh [-t SECONDS] [-n EXECUTIONS] [DIR]
#   defaults: an hour, 10 million executions, build/fuzz/campaign
# In DIR: seeds/ (rewritten each time), corpus/ (kept and grown), log, and
# any finding as crash-*, leak-*, timeout-* or oom-* (inputs slower than
# 10 s are kept as slow-unit-*, not counted as findings). It prints the
# executions, the slowest input, the corpus and the findings, and ends with
# status 1 if there was a finding. The test command runs it for 60 s in a fresh directory.
set -uo pipefail
cd "$(dirname "$0")/../.."

seconds=3600
runs=10000000
while getopts "t:n:" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    n) runs=$OPTARG ;;
    *) echo "usage: $0 [-t SECONDS] [-n EXECUTIONS] [DIR]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
dir=${1:-build/fuzz/campaign}

{ cmake --preset fuzz >/dev/null && cmake --build --preset fuzz >/dev/null; } || { echo "cannot build the fuzz preset" >&2; exit 1; }
mkdir -p "$dir/seeds" "$dir/corpus" || exit 1
rm -f "$dir"/seeds/*
build/fuzz/tests/fuzz/make_seeds "$dir/seeds" || exit 1

# A timeout is generous: a 67 MB stream decoded under both sanitizers on a
# loaded machine takes seconds; a decoder that loops takes for ever.
start=$(date +%s)
LSAN_OPTIONS="suppressions=$(pwd)/tests/unit/lsan.supp" nice -n 19 build/fuzz/tests/fuzz/bmp_fuzz \
  -max_total_time="$seconds" -runs="$runs" -max_len=16384 -timeout=60 -rss_limit_mb=4096 \
  -entropic_scale_per_exec_time=1 -dict=tests/fuzz/bmp.dict -print_final_stats=1 \
  -artifact_prefix="$dir/" "$dir/corpus" "$dir/seeds" >"$dir/log" 2>&1
status=$?
took=$(($(date +%s) - start))

executions=$(grep -o 'number_of_executed_units: [0-9]*' "$dir/log" | grep -o '[0-9]*$')
slowest=$(grep -Eo 'slowest_unit_time_sec: +[0-9]+' "$dir/log" | grep -o '[0-9]*$')
files=$(find "$dir/corpus" -type f | wc -l)
kib=$(du -sk "$dir/corpus" | cut -f1)
findings=$(find "$dir" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
echo "fuzzing: ${executions:-0} executions in $took s (the slowest input took ${slowest:-?} s);" \
  "corpus $files inputs ($kib KiB) in $dir/corpus"
if [ "$status" -ne 0 ] || [ -n "$findings" ]; then
  tail -40 "$dir/log"
  echo "fuzzing FAILED (status $status); findings:"
  echo "${findings:-none written}"
  exit 1
fi
echo "fuzzing: no findings"
