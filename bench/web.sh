#!/usr/bin/env bash
# The browser benchmark (bench/web.mjs): builds the peer frame's program
# (bench/peers/qx.cpp) natively (the default preset) and as a page (the web
# preset), and runs them in turns, the page in headless Chromium: medians of
# the frame and its parts, native and in the page, and their ratio; then the
# sample's rate, its page's first frame, and the pages' sizes (the native
# screentext reads the sample's rate off its canvas).
#
#   bash bench/web.sh [--rounds N] [--frame-only] [--out FILE]
#     --rounds N     rounds of the comparison (default 21)
#     --frame-only   the comparison alone
#     --out FILE     the comparison's table written there too
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/deps.sh web tests >/dev/null
cmake --preset web >/dev/null
nice -n 10 cmake --build --preset web --target sample bench_peers_qx hoshizora >/dev/null
cmake --preset default >/dev/null
nice -n 10 cmake --build --preset default --target bench_peers_qx screentext >/dev/null
QX_WEB_BUILD=build/web QX_NATIVE_PEERS=build/default/bench/bench_peers_qx \
  QX_SCREENTEXT=build/default/tests/e2e/screentext node bench/web.mjs "$@"
