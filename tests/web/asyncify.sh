#!/usr/bin/env bash
# What Asyncify instruments in a page: the frame benchmark's page
# (bench/peers/qx.cpp, which draws with every routine of a game's frame) is
# linked again as the browser build links it, with Asyncify's advice, and
# the advice must name the path to a sleep (the backend's sleep_ms, through
# Sleep) as instrumented and none of the drawing routines: an instrumented
# routine checks for unwinding after every call it makes, and ran at 1.7 to
# 2 times its native time.
#
#   bash tests/web/asyncify.sh WEB_BUILD_TREE
set -euo pipefail
build=$(realpath -e "$1")
page=bench/bench_peers_qx.html
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
link=$(ninja -C "$build" -t commands "$page" | tail -1)
case $link in
  *" -o $page "*) ;;
  *) echo "FAIL: no link command for $page in $build" >&2; exit 1 ;;
esac
(cd "$build" && eval "${link/ -o $page / -o $work/page.html -sASYNCIFY_ADVISE }") >"$work/advice.txt" 2>&1 || {
  cat "$work/advice.txt" >&2
  echo "FAIL: the link with Asyncify's advice failed" >&2
  exit 1
}
instrumented=$(grep -E '^\[asyncify\] .* can change the state' "$work/advice.txt" | sed -E 's/^\[asyncify\] (.*) can change the state.*/\1/')
status=0
grep -qxF 'plat::backend::web::sleep_ms\28unsigned\20int\29' <<<"$instrumented" || {
  echo "FAIL: the advice does not name the backend's sleep as instrumented" >&2
  status=1
}
# Names as the advice writes them: a function's parameters in \28 and \29.
for routine in qx_pset qx_line qx_circle qx_gcls qx_printf qx_drawbmp3 qx_flip qx_box qx_xline qx_yline \
               PatBlt SelectObject CreateSolidBrush DeleteObject TextOutA TransparentBlt StretchBlt BitBlt \
               'plat::fill_rect' 'plat::glyph_box' 'plat::HandleTable::release' 'plat::HandleTable::allocate' \
               '\28anonymous\20namespace\29::line' '\28anonymous\20namespace\29::run'; do
  found=$(R=$routine awk 'index($0, ENVIRON["R"] "\\28") == 1 || $0 == ENVIRON["R"]' <<<"$instrumented")
  if [ -n "$found" ]; then
    echo "FAIL: instrumented: $found" >&2
    status=1
  fi
done
[ "$status" = 0 ] && echo "ok: Asyncify instruments the way to a sleep and none of the drawing routines ($(wc -l <<<"$instrumented") functions instrumented)"
exit "$status"
