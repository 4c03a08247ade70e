#!/usr/bin/env bash
# The sample's pacing, exactly, in virtual time on the headless backend: each
# frame sleeps the rest of its 16 ms period, the first frame reports at once
# ("FPS:1", drawn once its sleep ends, at 16 ms), and from then on a report
# comes on the first frame that ends more than 1000 ms after the last one:
# the 63rd frame, 1008 ms later, so "FPS:63" from 1024 ms on. The report is
# "FPS:<n>" in the built-in font at (20,20), #FCFCFC on black. A script that
# holds A at 3000 ms ends the sample with status 1 within a frame of that,
# and the exit shot shows its last frame. The same script run twice gives
# the same shots, byte for byte, and the same status.
# Usage: headless_rate.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "$@"

# When, the shot, and the report it shows ("" for none yet).
READINGS="16 blank.png
17 first.png FPS:1
1024 last-first.png FPS:1
1025 second.png FPS:63
2500 rate.png FPS:63"
SCRIPT="# hold A at 3000 ms
$(while read -r ms file _; do echo "$ms shot $file"; done <<<"$READINGS")
2999 shot before.png
3000 down A
3017 shot after.png"

run one "$SCRIPT" QX_EXIT_SHOT=exit.png
echo "the run took $WALL_MS ms of wall time"
[ "$STATUS" = 1 ] || fail "exit status $STATUS, expected 1"
has before.png || fail "no shot at 2999 ms: the sample ended before A went down"
has after.png && fail "a shot at 3017 ms: the sample still ran more than a frame after A went down"
ok "holding A at 3000 ms ends the sample with status 1 between 2999 and 3017 ms"
case $ERR in *"the run ended at 30"*) ;; *) fail "no note of the time the run ended and the shot it did not take: '$ERR'" ;; esac
ok "it says when the run ended: ${ERR#qx: }"

while read -r ms file want; do
    read_rate "$file"
    [ "$FPS_TEXT" = "$want" ] || fail "$file ($ms ms): expected '$want' at (20,20), read '$FPS_TEXT'"
    ok "$file ($ms ms) reads '$FPS_TEXT' at (20,20)"
done <<<"$READINGS
3000 exit.png FPS:63"
at=$("$SCREENTEXT" find "$RUN/rate.png" "FPS:") || fail "no built-in-font 'FPS:' anywhere in rate.png"
[ "$at" = "20 20" ] || fail "'FPS:' found at $at in rate.png, expected 20 20"
colors=$("$SCREENTEXT" colors "$RUN/rate.png" 0 0 640 400 | cut -d' ' -f1 | tr '\n' ' ')
[ "$colors" = "000000 FCFCFC " ] || fail "rate.png holds colours '$colors', expected exactly 000000 and FCFCFC"
size=$("$SCREENTEXT" bounds "$RUN/rate.png" 000000)
[ "$size" = "0 0 640 400" ] || fail "rate.png's black covers $size, expected the whole 640x400 client area"
ok "rate.png is the 640x400 client area, #FCFCFC text on black, 'FPS:' at (20,20) first"

run two "$SCRIPT" QX_EXIT_SHOT=exit.png
[ "$STATUS" = 1 ] || fail "the second run's exit status is $STATUS, the first's 1"
for f in $(cut -d' ' -f2 <<<"$READINGS") before.png exit.png; do
    cmp -s "$TMP/one/$f" "$TMP/two/$f" || fail "$f differs between two runs of the same script"
done
ok "a second run gives the same status and byte-identical shots"
