#!/usr/bin/env bash
# Ending by a held key, headless, the twin of keys.sh without a desktop: each
# key the sample polls (letters, main-row digits, space, the arrows, Enter)
# ends it with status 1 within a frame of going down; the keypad digits,
# Shift and the function keys, held together, do not.
# Usage: headless_keys.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "$@"

for key in A Z 0 5 9 SPACE UP DOWN LEFT RIGHT RETURN; do
    run "$key" "999 shot early.png
1000 down $key
1017 shot late.png"
    [ "$STATUS" = 1 ] || fail "holding $key: exit status $STATUS, expected 1"
    has early.png || fail "holding $key at 1000 ms: the sample ended before it went down"
    has late.png && fail "holding $key at 1000 ms: the sample still ran at 1017 ms"
    ok "holding $key ends the sample within a frame (status 1, $WALL_MS ms of wall time)"
done

held="NUMPAD0 NUMPAD1 NUMPAD2 NUMPAD3 NUMPAD4 NUMPAD5 NUMPAD6 NUMPAD7 NUMPAD8 NUMPAD9 SHIFT F1 F12"
script=""
for key in $held; do script+="500 down $key"$'\n'; done
run unpolled "${script}1500 shot held.png
1600 down X
1617 shot late.png"
[ "$STATUS" = 1 ] || fail "exit status $STATUS, expected 1 (from X, after the keys it does not poll)"
has held.png || fail "holding $held ended the sample"
has late.png && fail "holding X after them did not end the sample within a frame"
ok "holding $held for 1 s leaves the sample running; X then ends it"
