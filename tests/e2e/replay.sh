#!/usr/bin/env bash
# The example game replayed headless: the key script replay/keys.txt plays
# the title screen, a start, a few seconds of play with moves and shots, a
# hit, the quit box and its Yes. Every shot must have the pixels of its
# reference (replay/NAME.png, remade by replay_references.sh when the game
# changes on purpose), its sound recording the bytes of replay/sound.wav (the
# title's tune, the shots, the blasts), the game must end with status 1, and
# a second run must write the same PNGs and WAV byte for byte.
# Usage: replay.sh GAME
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "$@"
here=$(cd "$(dirname "$0")" && pwd)
command -v compare >/dev/null || fail "ImageMagick's compare is not installed"

SHOTS=$(awk '$2 == "shot" {print $3}' "$here/replay/keys.txt")
[ -n "$SHOTS" ] || fail "the key script takes no shots"

# Plays the replay in $TMP/$1, as replay_references.sh does; sets RUN,
# STATUS, ERR and WALL_MS.
play() {
    local t0
    RUN=$TMP/$1
    mkdir -p "$RUN"
    t0=$(now_ms)
    bash "$here/replay/play.sh" "$PROGRAM" "$RUN" 2>"$RUN/err"
    STATUS=$?
    WALL_MS=$(($(now_ms) - t0))
    ERR=$(cat "$RUN/err")
    if grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" <<<"$ERR"; then
        fail "$1: a sanitizer reported an error"
    fi
    [ "$STATUS" = 1 ] || fail "$1: exit status $STATUS, expected 1 (standard error: $ERR)"
}

play first
ok "the replay ends with status 1 after its Yes, in $WALL_MS ms of wall time"
for shot in $SHOTS; do
    [ -f "$TMP/first/$shot" ] || fail "no shot $shot was taken (standard error: $ERR)"
    [ -f "$here/replay/$shot" ] || fail "no reference tests/e2e/replay/$shot: run replay_references.sh"
    differ=$(compare -metric AE "$TMP/first/$shot" "$here/replay/$shot" "$TMP/diff-$shot" 2>&1)
    [ "$differ" = 0 ] ||
        fail "$shot: $differ pixels differ from its reference (where: $TMP/diff-$shot); if the game changed on purpose, run replay_references.sh"
done
ok "its shots $(echo $SHOTS) have their references' pixels"
[ -f "$TMP/first/sound.wav" ] || fail "no sound recording sound.wav was written (standard error: $ERR)"
[ -f "$here/replay/sound.wav" ] || fail "no reference tests/e2e/replay/sound.wav: run replay_references.sh"
cmp -s "$TMP/first/sound.wav" "$here/replay/sound.wav" ||
    fail "sound.wav: the recording differs from its reference ($(cmp "$TMP/first/sound.wav" "$here/replay/sound.wav" 2>&1 | head -1); kept as $TMP/first/sound.wav); if the game changed on purpose, run replay_references.sh"
ok "its sound recording has its reference's samples, $(($(stat -c %s "$here/replay/sound.wav") - 44)) bytes"

play second
for shot in $SHOTS; do
    cmp -s "$TMP/first/$shot" "$TMP/second/$shot" || fail "$shot differs between two runs of the same replay"
done
cmp -s "$TMP/first/sound.wav" "$TMP/second/sound.wav" || fail "sound.wav differs between two runs of the same replay"
ok "a second run writes the same PNGs and WAV, byte for byte"
