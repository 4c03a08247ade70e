#!/usr/bin/env bash
# Builds and runs the sample. With no display, it runs on a virtual desktop,
# saves a screenshot after about 2 s, prints the PNG's path and ends the sample.
set -euo pipefail
cd "$(dirname "$0")/.."

bash .ci/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target sample

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec build/default/sample
fi

. .ci/desktop.sh
start_desktop
trap stop_desktop EXIT
build/default/sample &
pid=$!
sleep 2
shot="$(pwd)/build/sample-$(date +%Y%m%d-%H%M%S).png"
import -window root "$shot"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "$shot"
