#!/usr/bin/env bash
# The frame-rate report: "FPS:<n>" in the built-in 8x16 font at (20,20) of
# the client area, #FCFCFC ink on black cells over a black client, and a rate
# that settles at 61..63 (the loop's period is 16 ms).
# Under Wine the report is drawn in Wine's stand-in for the System font,
# antialiased, which screentext cannot read: there only its place, its ink
# and the black around it are checked.
# Usage: rate.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/lib.sh"
e2e_init "$0" "$@"

# Sets FPS_TEXT to the report read from a new screenshot named $1, and FPS to
# its number (empty when the text is not "FPS:" and digits).
read_rate() {
    shot "$1"
    read_fps "$SHOT" $((WX + 20)) $((WY + 20))
}

# Sets INK to the colours in client (20,20)-(120,40) of a new screenshot
# named $1, and succeeds when they are #FCFCFC ink shaded over black (neutral
# greys up to #FCFCFC, #FCFCFC among them) and some of them lie in client
# x 20..23, where the report begins.
wine_ink() {
    shot "$1"
    INK=$("$SCREENTEXT" colors "$SHOT" $((WX + 20)) $((WY + 20)) 100 20 | cut -d' ' -f1 | tr '\n' ' ')
    local c
    for c in $INK; do
        [ "${c:0:2}" = "${c:2:2}" ] && [ "${c:2:2}" = "${c:4:2}" ] && [[ $c < FDFDFD ]] || return 1
    done
    [[ " $INK" = *" FCFCFC "* ]] || return 1
    [ "$("$SCREENTEXT" colors "$SHOT" $((WX + 20)) $((WY + 20)) 4 20 | cut -d' ' -f1)" != 000000 ]
}

start_sample
main_window
sleep 1.2  # Wine moves its window once more after showing it
client_rect "$WIN"

# A screenshot taken while the report is being redrawn can catch it half
# drawn, so the first look gets a few tries.
if under_wine; then
    for try in 1 2 3; do
        wine_ink "first$try" && break
        sleep 0.2
    done
    wine_ink "first4" ||
        fail "expected #FCFCFC text shaded over black from client (20..23,20) = screen ($((WX + 20)),$((WY + 20))); colours in client (20,20)-(120,40): $INK (screenshot $SHOT)"
    ok "#FCFCFC text shaded over black begins at client (20,20)"
    wine_skip "reading 'FPS:<n>' and its exact pixels: Wine draws it in its own antialiased font, not the built-in 8x16 one screentext decodes"
else
    for try in 1 2 3; do
        read_rate "first$try"
        [ -n "$FPS" ] && break
        sleep 0.2
    done
    [ -n "$FPS" ] || fail "expected FPS:<digits> at client (20,20) = screen ($((WX + 20)),$((WY + 20))), read '$FPS_TEXT' (screenshot $SHOT)"
    ok "reads '$FPS_TEXT' at client (20,20)"

    # The built-in font's rendering of "FPS:" is found exactly there, and first.
    at=$("$SCREENTEXT" find "$SHOT" "FPS:") || fail "no built-in-font 'FPS:' anywhere in $SHOT"
    [ "$at" = "$((WX + 20)) $((WY + 20))" ] || fail "'FPS:' found at $at, expected $((WX + 20)) $((WY + 20)) (screenshot $SHOT)"
    ok "'FPS:' found at screen $at"

    # The cells of "FPS:" hold ink and black only, and some of each.
    colors=$("$SCREENTEXT" colors "$SHOT" $((WX + 20)) $((WY + 20)) 32 16 | cut -d' ' -f1 | tr '\n' ' ')
    [ "$colors" = "000000 FCFCFC " ] || fail "the 'FPS:' cells hold colours '$colors', expected exactly 000000 and FCFCFC (screenshot $SHOT)"
    ok "'FPS:' cells are #FCFCFC on #000000"
fi

# The rest of the client area is black: a band below the text, the area
# right of it (the report never reaches x = 120), and left of and above it.
for rect in "0 40 640 360" "120 0 520 40" "0 0 20 40" "20 0 100 20"; do
    set -- $rect
    colors=$("$SCREENTEXT" colors "$SHOT" $((WX + $1)) $((WY + $2)) "$3" "$4" | cut -d' ' -f1 | tr '\n' ' ')
    [ "$colors" = "000000 " ] || fail "client rectangle ($rect) holds colours '$colors', expected only 000000 (screenshot $SHOT)"
done
ok "the client background is black"

# The rate settles in 61..63: two readings about a second apart, in a row.
if under_wine; then
    wine_skip "the rate settling in 61..63: its digits are in Wine's font, which screentext cannot read"
else
    readings=() in_range=0
    deadline=$(($(now_ms) + 7000))
    for i in $(seq 8); do
        [ "$(now_ms)" -lt "$deadline" ] || break
        sleep 0.85
        read_rate "rate$i"
        readings+=("${FPS:-'$FPS_TEXT'}")
        if [ -n "$FPS" ] && [ "$FPS" -ge 61 ] && [ "$FPS" -le 63 ]; then
            in_range=$((in_range + 1))
            [ "$in_range" -ge 2 ] && break
        else
            in_range=0
        fi
    done
    [ "$in_range" -ge 2 ] || fail "the rate did not settle in 61..63; readings: ${readings[*]} (last screenshot $SHOT)"
    ok "rate settled in 61..63; readings: ${readings[*]}"
fi

running || fail "the sample ended by itself"
