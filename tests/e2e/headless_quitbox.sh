#!/usr/bin/env bash
# The quit confirmation headless, the twin of quitbox.sh without a desktop:
# ESC, or the close button, opens the box "終了確認です", drawn over the
# sample's window in its shots, centred on it, asking "本当に終了しますか？"
# with "はい(Y)" and "いいえ(N)". While it is open the frame loop stands still
# (a held letter does not end the sample). No (N, Tab then Return, a click on
# いいえ(N)) keeps the sample running; Yes (Y, a click on はい(Y)) ends it with
# status 1. The box looks the same whichever way it was opened.
# Usage: headless_quitbox.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "$@"

QUESTION="本当に終了しますか？"
BAND_GREY=E1E1E1  # the buttons' face colour, behind their labels

# Sets BX BY BW BH to the box in shot $1: the rectangle of its white top and
# light grey band (nothing else in the sample's window has those colours).
box_rect() {
    local r
    r=$("$SCREENTEXT" bounds "$RUN/$1" FFFFFF F0F0F0) || return 1
    read -r BX BY BW BH <<<"$r"
}

# The box in shot $1 as the layer draws it: the question and both labels
# legible inside it, white above a light grey band, centred on the sample's
# 640x400 client area. Sets NO_X NO_Y and YES_X YES_Y to points inside the
# buttons, in the box's client coordinates.
check_box() {
    box_rect "$1" || fail "$1: no box in the shot"
    local item text bg at x y
    for item in "$QUESTION FFFFFF" "はい(Y) $BAND_GREY" "いいえ(N) $BAND_GREY"; do
        read -r text bg <<<"$item"
        at=$("$SCREENTEXT" findrendered "$RUN/$1" IPAGothic 16 "$text" "$bg") ||
            fail "$1: '$text' is not drawn as IPAGothic 16 over #$bg"
        read -r x y <<<"$at"
        [ "$x" -ge "$BX" ] && [ "$y" -ge "$BY" ] && [ "$x" -lt $((BX + BW)) ] && [ "$y" -lt $((BY + BH)) ] ||
            fail "$1: '$text' drawn at ($x,$y), outside the box ${BW}x$BH+$BX+$BY"
        case $text in
            "はい(Y)") YES_X=$((x - BX + 16)) YES_Y=$((y - BY + 8)) ;;
            "いいえ(N)") NO_X=$((x - BX + 16)) NO_Y=$((y - BY + 8)) ;;
        esac
    done
    local top bottom
    top=$("$SCREENTEXT" colors "$RUN/$1" $((BX + 4)) $((BY + 4)) 1 1 | cut -d' ' -f1)
    bottom=$("$SCREENTEXT" colors "$RUN/$1" $((BX + 4)) $((BY + BH - 4)) 1 1 | cut -d' ' -f1)
    [ "$top" = FFFFFF ] && [ "$bottom" = F0F0F0 ] ||
        fail "$1: box colours $top at the top left, $bottom at the bottom left; expected FFFFFF and F0F0F0"
    local dx=$((2 * BX + BW - 640)) dy=$((2 * BY + BH - 400))
    [ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ] || fail "$1: box ${BW}x$BH+$BX+$BY is not centred on 640x400"
    ok "$1: the box ${BW}x$BH+$BX+$BY, centred, shows the question and both buttons"
}

# The shot $1 shows the sample's window with no box over it, and the run
# ended after it with status 1 (the A every such script ends with).
check_no_box() {
    [ "$STATUS" = 1 ] || fail "exit status $STATUS, expected 1"
    has "$1" || fail "no shot $1: the sample ended"
    box_rect "$1" && fail "$1: the box is still there (${BW}x$BH+$BX+$BY)"
    return 0
}

# ---- ESC, a held letter, then N
run esc_n "500 down ESCAPE
520 up ESCAPE
600 shot box.png
700 down A
1200 shot box_held.png
1300 up A
1400 down N
1420 up N
1600 shot after.png
2000 down A
2017 shot late.png"
[ "$STATUS" = 1 ] || fail "ESC then N, then A: exit status $STATUS, expected 1"
check_box box.png
has box_held.png || fail "holding A with the box open ended the sample"
box_rect box_held.png || fail "the box went away while A was held"
ok "holding A for 0.5 s with the box open leaves the sample running, the box open"
check_no_box after.png
has late.png && fail "A after the box closed did not end the sample"
ok "N closes the box and the sample keeps running (A then ends it)"
ESC_BOX="$RUN/box.png"

# ---- ESC, then Tab and Return: the focus moves to いいえ(N)
run esc_tab "500 down ESCAPE
520 up ESCAPE
600 down TAB
620 up TAB
700 down RETURN
720 up RETURN
900 shot after.png
1000 down A"
check_no_box after.png
ok "Tab then Return answers No: the sample keeps running"

# ---- ESC, then clicks on the buttons
run esc_click_no "500 down ESCAPE
520 up ESCAPE
600 click $NO_X $NO_Y
800 shot after.png
900 down A"
check_no_box after.png
ok "a click on いいえ(N) at box ($NO_X,$NO_Y) answers No"
run esc_click_yes "500 down ESCAPE
520 up ESCAPE
600 click $YES_X $YES_Y
800 shot late.png"
[ "$STATUS" = 1 ] || fail "a click on はい(Y): exit status $STATUS, expected 1"
has late.png && fail "a click on はい(Y) did not end the sample"
ok "a click on はい(Y) at box ($YES_X,$YES_Y) ends the sample with status 1"

# ---- ESC, then Y
run esc_y "500 down ESCAPE
520 up ESCAPE
600 down Y
620 up Y
700 shot late.png"
[ "$STATUS" = 1 ] || fail "ESC then Y: exit status $STATUS, expected 1"
has late.png && fail "ESC then Y did not end the sample"
ok "ESC then Y ends the sample with status 1"

# ---- The close button: the same box, the same answers
run close_n "500 close
600 shot box.png
700 down N
720 up N
900 shot after.png
1000 down A"
check_box box.png
cmp -s "$RUN/box.png" "$ESC_BOX" || fail "the box the close button opens differs from the one ESC opens"
check_no_box after.png
ok "the close button opens the same box; N keeps the sample running"
run close_y "500 close
600 down Y
620 up Y
700 shot late.png"
[ "$STATUS" = 1 ] || fail "close then Y: exit status $STATUS, expected 1"
has late.png && fail "close then Y did not end the sample"
ok "close then Y ends the sample with status 1"
