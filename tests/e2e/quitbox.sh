#!/usr/bin/env bash
# The quit confirmation: ESC in the sample's window, or a close request from
# the window manager (WM_DELETE_WINDOW), opens a modal box "終了確認です"
# asking "本当に終了しますか？" with "はい(Y)" and "いいえ(N)", centred on
# the sample. No (n, Tab then Return, a click on the button) keeps the sample
# running; Yes (y) ends it with status 1. While the box is up the frame loop
# stands still, so a held letter does not end the sample.
# Usage: quitbox.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/lib.sh"
e2e_init "$0" "$@"

QUESTION="本当に終了しますか？"
BAND_GREY=E1E1E1  # the buttons' face colour, behind their labels

# Starts the sample and sets MAIN to its window, settled and focused.
start_main() {
    start_sample
    main_window
    MAIN=$WIN
    sleep 1
    if ! wait_active "$MAIN" 1000; then
        timeout 5 xdotool windowactivate --sync "$MAIN" || fail "cannot give the sample's window the focus"
    fi
}

# Runs the command "$@" (which should open the box), then sets BOX to the
# box's window and requires its title and the input focus.
open_box() {
    "$@" || fail "'$*' failed"
    if ! box_window 3000; then
        running || fail "the sample ended with status $(exit_status) after '$*' instead of asking"
        fail "no box titled 終了確認です appeared within 3 s after '$*'"
    fi
    BOX=$WIN
    local title
    title=$(prop "$BOX" _NET_WM_NAME)
    [ "$title" = '"終了確認です"' ] || fail "the box's _NET_WM_NAME is $title"
    wait_active "$BOX" 2000 || fail "the box did not get the focus (active window: $(active_window))"
    ok "'$*' opened the box (window $BOX)"
}

# Sets TEXT_AT to where text $1 (over background $2) is drawn as the layer
# draws it, retrying while the box may still be painting.
find_drawn() {
    local i
    for i in 1 2 3 4 5; do
        shot "box_$i"
        if TEXT_AT=$("$SCREENTEXT" findrendered "$SHOT" IPAGothic 16 "$1" "$2"); then return 0; fi
        sleep 0.3
    done
    return 1
}

# The question and both labels are drawn legibly inside the box's client
# area, and the box is centred on the sample's window (outer frames).
check_box_drawing() {
    client_rect "$BOX"
    local bx=$WX by=$WY bw=$WW bh=$WH x y item text bg
    for item in "$QUESTION FFFFFF" "はい(Y) $BAND_GREY" "いいえ(N) $BAND_GREY"; do
        read -r text bg <<<"$item"
        find_drawn "$text" "$bg" || fail "'$text' is not drawn as IPAGothic 16 over #$bg anywhere on screen (screenshot $SHOT)"
        read -r x y <<<"$TEXT_AT"
        [ "$x" -ge "$bx" ] && [ "$y" -ge "$by" ] && [ "$x" -lt $((bx + bw)) ] && [ "$y" -lt $((by + bh)) ] ||
            fail "'$text' drawn at ($x,$y), outside the box's client area ${bw}x$bh+$bx+$by (screenshot $SHOT)"
        ok "'$text' drawn at ($x,$y), inside the box's client area ${bw}x$bh+$bx+$by"
        [ "$text" = "いいえ(N)" ] && NO_X=$x NO_Y=$y
    done

    # White above, a light grey band along the bottom (near the left edge,
    # clear of the icon, the text and the buttons).
    local top bottom
    top=$(pixel "$SHOT" $((bx + 4)) $((by + 4)))
    bottom=$(pixel "$SHOT" $((bx + 4)) $((by + bh - 4)))
    [ "$top" = FFFFFF ] && [ "$bottom" = F0F0F0 ] ||
        fail "box colours: $top at the top left, $bottom at the bottom left; expected FFFFFF and F0F0F0 (screenshot $SHOT)"
    ok "box is white above a #F0F0F0 band"

    frame_extents "$BOX"
    local box_cx=$(((2 * bx - FL + bw + FR) / 2)) box_cy=$(((2 * by - FT + bh + FB) / 2))
    client_rect "$MAIN"
    frame_extents "$MAIN"
    local main_cx=$(((2 * WX - FL + WW + FR) / 2)) main_cy=$(((2 * WY - FT + WH + FB) / 2))
    # A few pixels of slack: the layer places the box by the frame a resizable
    # window gets, and a fixed-size box gets a thinner bottom edge.
    local dx=$((box_cx - main_cx)) dy=$((box_cy - main_cy))
    [ "${dx#-}" -le 3 ] && [ "${dy#-}" -le 3 ] ||
        fail "box centred at ($box_cx,$box_cy), the sample's window at ($main_cx,$main_cy)"
    ok "box centred on the sample's window: centres ($box_cx,$box_cy) and ($main_cx,$main_cy)"
}

# The box is gone, focus is back on the sample, and it keeps running.
expect_dismissed() {
    local deadline=$(($(now_ms) + 2000))
    while box_window 0; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "the box is still open 2 s after $1"
        sleep 0.05
    done
    sleep 0.5
    running || fail "the sample ended after $1 (status $(exit_status))"
    wait_active "$MAIN" 2000 || fail "focus did not return to the sample after $1 (active window: $(active_window))"
    ok "$1 closed the box; the sample keeps running with the focus"
}

# Answers Yes with y and requires the sample to end with status 1.
expect_yes_ends() {
    xdotool key y
    wait_exit 3000 || fail "the sample still runs 3 s after answering y"
    expect_status_1 "answering y"
    ok "y ends the sample with status 1"
}

# ---- ESC ----
start_main
open_box xdotool key Escape
running || fail "ESC ended the sample"
check_box_drawing

# The frame loop waits while the box is up: a held letter does not end it.
hold a
sleep 0.5
running || fail "holding a while the box is open ended the sample"
release a
ok "holding a for 0.5 s with the box open leaves the sample running"

xdotool key n
expect_dismissed "answering n"
open_box xdotool key Escape
expect_yes_ends

# ---- Close requests ----
start_main
open_box "$SCREENTEXT" close "$MAIN"
xdotool key Tab Return
expect_dismissed "Tab then Return"

open_box "$SCREENTEXT" close "$MAIN"
check_box_drawing
xdotool mousemove $((NO_X + 16)) $((NO_Y + 8)) click 1
expect_dismissed "a click on いいえ(N)"

open_box "$SCREENTEXT" close "$MAIN"
expect_yes_ends
