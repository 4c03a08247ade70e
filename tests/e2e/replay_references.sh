#!/usr/bin/env bash
# Remakes the replay's reference shots (replay/*.png) and sound recording
# (replay/sound.wav) from the example game as
# it is now: run it after changing the game on purpose, look at the shots,
# and commit them with the change. Builds the game (the default preset)
# unless GAME names a built one.
# Usage: bash tests/e2e/replay_references.sh [GAME]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
game=${1:-}
if [ -z "$game" ]; then
    cd "$here/../.."
    cmake --preset default >/dev/null && cmake --build --preset default --target hoshizora >/dev/null
    game=$PWD/build/default/examples/hoshizora
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
bash "$here/replay/play.sh" "$game" "$work" 2>"$work/err" || status=$?
[ "$status" = 1 ] || { echo "the replay ended with status $status, not 1:" >&2; cat "$work/err" >&2; exit 1; }
rm -f "$here"/replay/*.png
for shot in $(awk '$2 == "shot" {print $3}' "$here/replay/keys.txt"); do
    [ -f "$work/$shot" ] || { echo "the replay took no shot $shot:" >&2; cat "$work/err" >&2; exit 1; }
    cp "$work/$shot" "$here/replay/$shot"
    echo "tests/e2e/replay/$shot"
done
[ -f "$work/sound.wav" ] || { echo "the replay recorded no sound.wav:" >&2; cat "$work/err" >&2; exit 1; }
cp "$work/sound.wav" "$here/replay/sound.wav"
echo "tests/e2e/replay/sound.wav"
