#!/usr/bin/env bash
# The test command: installs what is missing, builds the default preset, and
# runs every test (unit and end-to-end) on a virtual desktop of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

bash .ci/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

. .ci/desktop.sh
start_desktop
trap stop_desktop EXIT
echo "Virtual desktop on DISPLAY=$DISPLAY"
ctest --preset default
