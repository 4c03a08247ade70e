#!/usr/bin/env bash
# The browser benchmark (bench/web.mjs): builds the peer frame's program
# (bench/peers/qx.cpp) natively (the default preset) and as a page (the web
# preset), and runs them in turns, the page in headless Chromium: medians of
# the frame and its parts, native and in the page, and their ratio; then the
# sample's rate, its page's first frame, and the pages' sizes (the native
# screentext reads the sample's rate off its canvas).
#
#   bash bench/web.sh [--rounds N] [--frame-only] [--out FILE] [--also NAME=TREE]...
#     --rounds N        rounds of the comparison (default 21)
#     --frame-only      the comparison alone
#     --out FILE        the comparison's table written there too
#     --also NAME=TREE  the page of another browser build tree too (with
#                       bench_peers_qx built there), in the same turns
#   bash bench/web.sh --profile ROW [--rounds N]
#     the page alone, built with its functions' names in build/web-profile,
#     timing ROW (frame, clear, pset, line, circle, sprite, flip, text) N
#     times (default 21) under Chromium's sampling profiler: where the time
#     goes, function by function
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/deps.sh web tests >/dev/null
for arg in "$@"; do
  if [ "$arg" = --profile ]; then
    [ -f build/web-profile/CMakeCache.txt ] ||
      cmake --preset web -B build/web-profile -DCMAKE_EXE_LINKER_FLAGS_RELEASE="-flto --profiling-funcs" >/dev/null
    nice -n 10 cmake --build build/web-profile --target bench_peers_qx >/dev/null
    exec env QX_WEB_BUILD=build/web-profile node bench/web.mjs "$@"
  fi
done
cmake --preset web >/dev/null
nice -n 10 cmake --build --preset web --target sample bench_peers_qx hoshizora >/dev/null
cmake --preset default >/dev/null
nice -n 10 cmake --build --preset default --target bench_peers_qx screentext >/dev/null
QX_WEB_BUILD=build/web QX_NATIVE_PEERS=build/default/bench/bench_peers_qx \
  QX_SCREENTEXT=build/default/tests/e2e/screentext node bench/web.mjs "$@"
