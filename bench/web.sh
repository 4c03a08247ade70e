#!/usr/bin/env bash
# The browser benchmark (bench/web.mjs): builds the web preset's sample and
# frame benchmark, and the native screentext that reads the sample's rate off
# its canvas, then runs both pages in headless Chromium.
#
#   bash bench/web.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/deps.sh
cmake --preset web >/dev/null
cmake --build --preset web --target sample bench_frame hoshizora
cmake --preset default >/dev/null
cmake --build --preset default --target screentext
QX_WEB_BUILD=build/web QX_SCREENTEXT=build/default/tests/e2e/screentext node bench/web.mjs
