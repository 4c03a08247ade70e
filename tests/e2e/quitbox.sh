#!/usr/bin/env bash
# The quit confirmation: ESC in the sample's window, or a close request from
# the window manager (WM_DELETE_WINDOW), opens a modal box "終了確認です"
# asking "本当に終了しますか？" with "はい(Y)" and "いいえ(N)", centred on
# the sample. No (n, Tab then Return, a click on the button) keeps the sample
# running; Yes (y) ends it with status 1. While the box is up the frame loop
# stands still, so a held letter does not end the sample. The box is named in
# both WM_NAME and _NET_WM_NAME, and after the sample's window is moved and
# resized from outside (as a user or the window manager would), the next box
# is centred on where the window is now.
#
# Under Wine the box is Wine's own MessageBox: Wine draws it (so the layer's
# rendering of its text is not looked for) and places it (centred on the
# screen, not on the sample). Its buttons act on key down, so an answer typed
# with a key the frame loop polls (n, Return) leaves that key down when the
# loop resumes, and the sample ends (as on Windows, whose message box acts
# on key down too).
# There No is answered with Tab then space (a button acts when space goes up)
# or a click, and the last Yes with a click, so that no held key can be what
# ends the sample.
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
    if under_wine; then
        wine_skip "the box's WM_NAME: Wine sets it to question marks here ($(prop "$BOX" WM_NAME)); its _NET_WM_NAME is right"
    else
        title=$(prop "$BOX" WM_NAME)
        [ "$title" = '"終了確認です"' ] || fail "the box's WM_NAME is $title"
    fi
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

# Under Wine: finds the buttons of Wine's box in a screenshot, retrying while
# it may still be painting, and sets YES_X YES_Y NO_X NO_Y (screen) to their
# centres. A button's top and bottom edges are the only long horizontal runs
# of pixels unlike the box's background (its commonest colour) in the box's
# client area; Yes is the left button, No the right.
find_wine_buttons() {
    client_rect "$BOX"
    local bx=$WX by=$WY bw=$WW bh=$WH bg found i
    for i in 1 2 3 4 5; do
        shot "box_$i"
        bg=$("$SCREENTEXT" colors "$SHOT" "$bx" "$by" "$bw" "$bh" | sort -k2,2nr | head -1 | cut -d' ' -f1)
        found=$(convert "$SHOT" -crop "${bw}x$bh+$bx+$by" +repage -depth 8 txt:- | awk -v bg="#$bg" -v min=60 '
            function end_run() {
                if (start >= 0 && last - start + 1 >= min) add(start, last, row)
                start = -1
            }
            # Runs starting within 3 px of each other belong to one button.
            function add(x0, x1, y,   g) {
                for (g = 1; g <= n; g++)
                    if (x0 - gx0[g] <= 3 && gx0[g] - x0 <= 3) { gy1[g] = y; return }
                n++; gx0[n] = x0; gx1[n] = x1; gy0[n] = y; gy1[n] = y
            }
            BEGIN { start = -1; row = 0 }
            /^#/ { next }
            {
                split($1, p, /[,:]/)
                if (p[2] + 0 != row) { end_run(); row = p[2] + 0 }
                if ($3 == bg) end_run()
                else { if (start < 0) start = p[1] + 0; last = p[1] + 0 }
            }
            END {
                end_run()
                if (n != 2 || gy1[1] - gy0[1] < 10 || gy1[2] - gy0[2] < 10) exit
                l = gx0[1] < gx0[2] ? 1 : 2; r = 3 - l
                print int((gx0[l] + gx1[l]) / 2), int((gy0[l] + gy1[l]) / 2), int((gx0[r] + gx1[r]) / 2), int((gy0[r] + gy1[r]) / 2)
            }')
        [ -n "$found" ] && break
        sleep 0.3
    done
    [ -n "$found" ] || fail "cannot find two buttons in the box's client area ${bw}x$bh+$bx+$by (screenshot $SHOT)"
    read -r YES_X YES_Y NO_X NO_Y <<<"$found"
    YES_X=$((bx + YES_X)) YES_Y=$((by + YES_Y)) NO_X=$((bx + NO_X)) NO_Y=$((by + NO_Y))
    ok "Wine's box shows two buttons, centred at ($YES_X,$YES_Y) and ($NO_X,$NO_Y)"
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
if under_wine; then
    find_wine_buttons
    wine_skip "the box's text, colours and centring on the sample: Wine draws and places its own MessageBox"
else
    check_box_drawing
fi

# The frame loop waits while the box is up: a held letter does not end it.
hold a
sleep 0.5
running || fail "holding a while the box is open ended the sample"
release a
ok "holding a for 0.5 s with the box open leaves the sample running"

if under_wine; then
    wine_skip "answering n: Wine's box acts on n going down, and the frame loop then sees n held and ends the sample"
    xdotool key Tab space
    expect_dismissed "Tab then space"
else
    xdotool key n
    expect_dismissed "answering n"
fi

# ---- A window moved and resized from outside ----
if under_wine; then
    wine_skip "the box's centring on a moved window: Wine centres its MessageBox on the screen"
else
    xdotool windowmove "$MAIN" 200 150 windowsize "$MAIN" 700 450 || fail "xdotool cannot move and resize the sample's window"
    deadline=$(($(now_ms) + 3000))
    until client_rect "$MAIN" && [ "$WW" = 700 ] && [ "$WH" = 450 ] && [ "$WX" -ge 200 ] && [ "$WX" -le 240 ]; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "the window manager did not move and resize the sample's window (client ${WW}x$WH at ($WX,$WY))"
        sleep 0.05
    done
    sleep 0.3  # a few frames for the sample to see the move
    ok "the sample's window was moved and resized to client ${WW}x$WH at ($WX,$WY)"
    open_box xdotool key Escape
    check_box_drawing
    xdotool key n
    expect_dismissed "answering n after the move"
fi

open_box xdotool key Escape
expect_yes_ends

# ---- Close requests ----
start_main
if under_wine; then
    wine_skip "Tab then Return: Wine's box acts on Return going down, and the frame loop then sees Return held and ends the sample"
else
    open_box "$SCREENTEXT" close "$MAIN"
    xdotool key Tab Return
    expect_dismissed "Tab then Return"
fi

open_box "$SCREENTEXT" close "$MAIN"
if under_wine; then
    find_wine_buttons
    xdotool mousemove "$NO_X" "$NO_Y" click 1
else
    check_box_drawing
    xdotool mousemove $((NO_X + 16)) $((NO_Y + 8)) click 1
fi
expect_dismissed "a click on いいえ(N)"

open_box "$SCREENTEXT" close "$MAIN"
if under_wine; then
    # A click rather than y: no key is then down when the sample ends.
    find_wine_buttons
    xdotool mousemove "$YES_X" "$YES_Y" click 1
    wait_exit 3000 || fail "the sample still runs 3 s after a click on はい(Y)"
    expect_status_1 "a click on はい(Y)"
    ok "a click on はい(Y) ends the sample with status 1"
else
    expect_yes_ends
fi
