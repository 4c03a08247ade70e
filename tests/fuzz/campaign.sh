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
# any finding as crash-*, leak-* or oom-* (inputs slower than 10 s of wall
# time are kept as slow-unit-*, not counted as findings). It prints the
# executions, the wall and CPU time the run took, the slowest input, the
# corpus and the findings, and ends with status 1 if there was a finding.
# The test command runs it for 60 s in a fresh directory.
#
# No finding depends on how much CPU the machine gives the run. A crash, a
# sanitizer's report, a leak and memory past the limit (4 GiB resident, or
# one allocation past it) are findings whenever they happen. libFuzzer's own
# -timeout measures the wall clock (from the input's start, checked by
# SIGALRM), so on a busy machine at the lowest priority a slow input that
# does not loop could pass it: it is off (-timeout=0). A hang is found by the
# target instead (bmp_fuzz.cpp), as a crash-* file: an input that has run for
# 60 s of its thread's CPU time, which a starved process spends no faster,
# while the largest picture (64 Mi pixels from a 72 MB file) takes well
# under a second of it. The target also checks, on every large input, that
# the decoder's counted work stayed within its bound: each byte of the file
# read once, a code per two bytes, a store per pixel. -max_total_time ends
# the run between inputs, after the whole seed corpus has run: however
# starved, the run covers every seed. A wait that burns no CPU would not be
# caught; the target has none (the file is in memory, no lock is taken).
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

# `time` gives the fuzzer's wall, user and system seconds, the CPU time
# against the wall clock showing how starved the run was.
TIMEFORMAT="%0R %0U %0S"
times=$( { time LSAN_OPTIONS="suppressions=$(pwd)/tests/unit/lsan.supp" nice -n 19 build/fuzz/tests/fuzz/bmp_fuzz \
  -max_total_time="$seconds" -runs="$runs" -max_len=16384 -timeout=0 -rss_limit_mb=4096 \
  -entropic_scale_per_exec_time=1 -dict=tests/fuzz/bmp.dict -print_final_stats=1 \
  -artifact_prefix="$dir/" "$dir/corpus" "$dir/seeds" >"$dir/log" 2>&1; } 2>&1 )
status=$?
read -r took user sys <<<"$times"

executions=$(grep -o 'number_of_executed_units: [0-9]*' "$dir/log" | grep -o '[0-9]*$')
slowest=$(grep -Eo 'slowest_unit_time_sec: +[0-9]+' "$dir/log" | grep -o '[0-9]*$')
files=$(find "$dir/corpus" -type f | wc -l)
kib=$(du -sk "$dir/corpus" | cut -f1)
findings=$(find "$dir" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
echo "fuzzing: ${executions:-0} executions in $took s ($((user + sys)) s of CPU time;" \
  "the slowest input took ${slowest:-?} s); corpus $files inputs ($kib KiB) in $dir/corpus"
if [ "$status" -ne 0 ] || [ -n "$findings" ]; then
  tail -40 "$dir/log"
  echo "fuzzing FAILED (status $status); findings:"
  echo "${findings:-none written}"
  exit 1
fi
echo "fuzzing: no findings"
