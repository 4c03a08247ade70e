#!/usr/bin/env bash
# Plays the example game's replay (keys.txt beside this file) headless, in
# virtual time, in directory DIR: the game reads its pictures from DIR/pics
# and its sounds from DIR/sounds (linked to those beside the program), and
# its shots land in DIR, with its sound recorded as DIR/sound.wav. Ends with
# the game's exit status (1 when the replay ran to its Yes).
# Usage: play.sh GAME DIR
set -u
game=$(realpath -e "$1") || exit 2
dir=$2
keys=$(realpath -e "$(dirname "$0")/keys.txt") || exit 2
mkdir -p "$dir" || exit 2
ln -sfn "$(dirname "$game")/pics" "$dir/pics"
ln -sfn "$(dirname "$game")/sounds" "$dir/sounds"
cd "$dir" && exec env -u DISPLAY -u QX_EXIT_SHOT QX_AUDIO_SHOT=sound.wav QX_HEADLESS=1 QX_SCRIPT="$keys" timeout 20 "$game"
