#!/usr/bin/env bash
# Runs the frame benchmark natively (our layer) and as a Windows program
# under Wine (Wine's GDI), one after the other, and prints one table: each
# row ours, Wine's and the ratio Wine / ours, medians in nanoseconds per call.
#
#   bash bench/compare.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/deps.sh
for preset in default windows; do
  cmake --preset "$preset" >/dev/null 2>&1
  cmake --build --preset "$preset" --target bench_frame >/dev/null
done

if [ -z "${DISPLAY:-}" ]; then
  . .ci/desktop.sh
  start_desktop
  trap stop_desktop EXIT
fi
work=$(mktemp -d)
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$work/prefix"
  env WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  wineserver -w
fi

# The runtime ends every program with status 1.
(cd "$work" && "$OLDPWD/build/default/bench/bench_frame" >ours.txt) || true
(cd "$work" && env WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
  wine "$OLDPWD/build/windows/bench/bench_frame.exe" >wine.txt 2>wine.err) || { true; }
[ -s "$work/wine.txt" ] || { echo "the Windows build did not run under Wine:" >&2; cat "$work/wine.err" >&2; }

awk '
  function name(line) { sub(/ +[0-9.]+$/, "", line); return line }
  { sub(/\r$/, "") }  # the Windows program writes CRLF
  FNR == 1 { next }
  NR == FNR { ours[name($0)] = $NF; order[++n] = name($0); next }
  { wine[name($0)] = $NF }
  END {
    printf "| %-28s | %14s | %14s | %10s |\n", "row", "ours (ns)", "Wine (ns)", "Wine/ours"
    printf "|%s|%s|%s|%s|\n", "------------------------------", "----------------", "----------------", "------------"
    for (i = 1; i <= n; i++) {
      r = order[i]; o = ours[r]; w = wine[r]
      ratio = (o > 0 && w > 0) ? sprintf("%.1f", w / o) : "-"
      printf "| %-28s | %14.1f | %14.1f | %10s |\n", r, o, w, ratio
    }
    m = ours["memcpy 1280x1024x4"]
    if (m > 0) {
      printf "\nours against memcpy of the same bytes: qx_gcls %.2fx, qx_flip %.2fx\n",
        ours["qx_gcls"] / m, ours["qx_flip 1280x1024"] / m
    }
  }' "$work/ours.txt" "$work/wine.txt"
rm -rf "$work"
