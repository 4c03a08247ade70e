#!/usr/bin/env bash
# The example game, played on the virtual desktop: its title screen shows
# the title picture doubled, its Japanese name in the panel of the picture;
# a held space starts a game; held arrow keys move the ship, two at once
# diagonally; ESC then Yes ends it with status 1, and so does Q on the title.
# The game reads its pictures from pics/ in its working directory: they are
# copied there from beside the program.
# Usage: game.sh GAME SCREENTEXT   (under Wine GAME is wine-sample.sh, and
# E2E_WINE_EXE names hoshizora.exe)
. "$(dirname "$0")/lib.sh"
e2e_init "$0" "$@"

if under_wine; then pics=$(dirname "$E2E_WINE_EXE")/pics; else pics=$(dirname "$SAMPLE")/pics; fi
[ -f "$pics/title.bmp" ] && [ -f "$pics/sprites.bmp" ] || fail "no pictures in $pics"
cp -r "$pics" "$TMP/pics"
cp -r "$(dirname "$pics")/sounds" "$TMP/sounds" || fail "no sounds beside $pics"
CANOPY=54FCFC  # the ship's canopy: the one place this colour is drawn

# Starts the game and sets WIN to its window, settled and focused.
start_game() {
    start_sample
    local ms=10000
    under_wine && ms=20000
    window_titled "ほしぞら防衛隊" "$ms" ||
        fail "no window titled ほしぞら防衛隊 within $((ms / 1000)) s (status $(exit_status))"
    sleep 1
    wait_active "$WIN" 2000 || timeout 5 xdotool windowactivate --sync "$WIN" || fail "cannot focus the game's window"
    client_rect "$WIN"
}

# Distinct colours in client rectangle ($1, $2, $3, $4) of $SHOT, "RRGGBB COUNT" lines.
client_colors() { "$SCREENTEXT" colors "$SHOT" $((WX + $1)) $((WY + $2)) "$3" "$4"; }

# Sets CX CY to the client position of the canopy's top-left, in a new
# screenshot $1. A few tries: on a slow machine an enemy may already have hit
# the ship, which then blinks for two seconds where it is.
find_ship() {
    local box try
    for try in 1 2 3 4 5; do
        shot "$1_$try"
        box=$(convert "$SHOT" -crop "${WW}x$WH+$WX+$WY" +repage -fill black +opaque "#$CANOPY" -format "%@" info: 2>/dev/null)
        if [[ $box =~ ^[1-9][0-9]*x[0-9]+\+([0-9]+)\+([0-9]+)$ ]]; then
            CX=${BASH_REMATCH[1]} CY=${BASH_REMATCH[2]}
            return
        fi
        sleep 0.05
    done
    fail "no ship (colour #$CANOPY) in the client area of $SHOT"
}

# Holds keys "$@" for $HOLD seconds.
hold_for() {
    local k
    for k in "$@"; do hold "$k"; done
    sleep "$HOLD"
    for k in "$@"; do release "$k"; done
    sleep 0.1
}

# ---- The title screen ----
start_game
shot title
# The top 56 rows of the picture, sky and logo, are nothing but the picture,
# every pixel doubled.
convert "$pics/title.bmp" -crop 320x56+0+0 +repage -scale 200% "ppm:$TMP/expected.ppm"
convert "$SHOT" -crop "640x112+$WX+$WY" +repage "ppm:$TMP/top.ppm"
diff=$(compare -metric AE "$TMP/expected.ppm" "$TMP/top.ppm" null: 2>&1)
[ "$diff" = 0 ] || fail "the top of the title screen differs from title.bmp doubled in $diff pixels ($SHOT)"
ok "the title screen's top 640x112 is title.bmp's top rows, doubled"
# ...and the picture is what makepics means to draw: the darkest band of
# sky, the logo's second row of dots, the lit side of the planet, the
# panel's edge.
for probe in "8 8 000028" "112 60 FCF040" "540 300 FCC47C" "248 136 5454FC"; do
    read -r x y want <<<"$probe"
    got=$(pixel "$SHOT" $((WX + x)) $((WY + y)))
    [ "$got" = "$want" ] || fail "client ($x,$y) is #$got, expected #$want ($SHOT)"
done
ok "sky, logo, planet and panel have their colours"
# The name is printed in the panel: white ink, smoothed over black cells, so
# greys and nothing else.
ink=$(client_colors 264 128 112 16 | awk '$1 == "FCFCFC" {print $2}')
[ "${ink:-0}" -ge 40 ] || fail "the name in the panel has ${ink:-0} white pixels, expected 40 or more ($SHOT)"
client_colors 264 128 112 16 | awk '{ if (substr($1, 1, 2) != substr($1, 3, 2) || substr($1, 3, 2) != substr($1, 5, 2)) exit 1 }' ||
    fail "the name's cells hold colours other than greys ($SHOT)"
[ "$(client_colors 250 124 10 24 | cut -d' ' -f1)" = 000000 ] || fail "the panel's inside is not black left of the name ($SHOT)"
ok "the title text is printed in the panel ($ink white pixels)"

# ---- A game ----
HOLD=0.15 hold_for space
for try in 1 2 3 4 5 6; do
    shot "started_$try"
    client_colors 100 50 440 20 | grep -q FCF040 || break
    [ "$try" = 6 ] && fail "the title's logo is still up a second after space ($SHOT)"
    sleep 0.2
done
find_ship start
[ "$CX $CY" = "318 342" ] || fail "the ship's canopy starts at client ($CX,$CY), expected (318,342) ($SHOT)"
ok "space starts a game; the ship waits at the bottom"

# Two logical (four device) pixels a frame: half a second goes far left.
HOLD=0.5 hold_for Left
x0=$CX y0=$CY
find_ship left
[ $((x0 - CX)) -ge 40 ] && [ "$CY" = "$y0" ] || fail "holding Left moved the canopy from ($x0,$y0) to ($CX,$CY)"
ok "holding Left moves the ship left, from x $x0 to $CX"
HOLD=0.3 hold_for Left Up
x1=$CX y1=$CY
find_ship diagonal
[ $((x1 - CX)) -ge 20 ] && [ $((y1 - CY)) -ge 20 ] || fail "holding Left and Up moved the canopy from ($x1,$y1) to ($CX,$CY)"
ok "holding Left and Up together moves it up and left, to ($CX,$CY)"

# ---- Ending ----
xdotool key Escape
box_window 3000 || fail "no quit box within 3 s after ESC (status $(exit_status))"
xdotool key y
wait_exit 3000 || fail "still running 3 s after answering y"
expect_status_1 "ESC then y"
ok "ESC then y ends the game with status 1"

start_game
HOLD=0.15 hold_for q
wait_exit 3000 || fail "still running 3 s after q on the title screen"
expect_status_1 "q on the title"
ok "q on the title screen ends the game with status 1"
