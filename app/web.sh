#!/usr/bin/env bash
# Builds the sample for the browser and serves it on http://127.0.0.1:PORT/
# (default 8000) until interrupted: open sample.html there.
#
#   bash app/web.sh [PORT]
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8000}
bash .ci/deps.sh sample web
cmake --preset web >/dev/null
cmake --build --preset web --target sample
echo "Serving the sample on http://127.0.0.1:$port/sample.html (Ctrl+C ends)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web
