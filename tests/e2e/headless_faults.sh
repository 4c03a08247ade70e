#!/usr/bin/env bash
# What a headless run does where nobody is there to help. A message box that
# waits for an answer the key script will not give (none left, or no script
# at all) would wait for ever: the run ends at once with status 3 and one
# line naming the box, and the exit shot shows the box over the window. A
# picture that cannot load shows its error box on the window's surface and
# ends with status 1 once answered. With no font for Japanese installed, the
# quit box still shows its question, in placeholder cells, and the program
# says which fonts to install.
# Usage: headless_faults.sh SAMPLE SCREENTEXT PICTURE
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "$1" "$2"
SAMPLE=$PROGRAM
PICTURE=$(realpath -e "${3:-/nonexistent}" 2>/dev/null) || fail "usage: $0 SAMPLE SCREENTEXT PICTURE"

# The box in shot $1: sets BX BY BW BH (its white top and light grey band).
box_rect() {
    local r
    r=$("$SCREENTEXT" bounds "$RUN/$1" FFFFFF F0F0F0) || fail "$1: no box in the shot"
    read -r BX BY BW BH <<<"$r"
}

# Requires the run to have ended stuck: status 3, one line naming box $1.
expect_stuck() {
    [ "$STATUS" = 3 ] || fail "$2: exit status $STATUS, expected 3 (standard error: '$ERR')"
    [[ $ERR == *"waits for input in \"$1\""*"$3"*"status 3"* ]] || fail "$2: standard error '$ERR' does not name the box and why"
}

# ---- A quit box the script leaves unanswered
run unanswered "500 down ESCAPE
520 up ESCAPE" QX_EXIT_SHOT=exit.png
expect_stuck "終了確認です" "the quit box left open" "the key script has no events left"
box_rect exit.png
"$SCREENTEXT" findrendered "$RUN/exit.png" IPAGothic 16 "本当に終了しますか？" FFFFFF >/dev/null ||
    fail "the exit shot does not show the quit box's question"
ok "a quit box the script leaves open ends the run with status 3 in $WALL_MS ms: $ERR"

# ---- A picture that cannot load, with no key script at all
PROGRAM=$PICTURE
run load_failed "" QX_SCRIPT= QX_EXIT_SHOT=exit.png PICTURE_BMP=missing.bmp
expect_stuck "エラー" "the load-error box" "there is no key script"
box_rect exit.png
"$SCREENTEXT" findrendered "$RUN/exit.png" IPAGothic 16 "Bitmapロードエラー:missing.bmp" FFFFFF >/dev/null ||
    fail "the exit shot does not show 'Bitmapロードエラー:missing.bmp'"
"$SCREENTEXT" colors "$RUN/exit.png" "$BX" "$BY" 60 60 | grep -q '^D02020 ' ||
    fail "the exit shot does not show the error box's red icon"
ok "a picture that cannot load shows its error box and, unanswered, ends the run with status 3: $ERR"

# ---- The same, answered: OK ends the program, with status 1
run load_answered "100 shot box.png
200 down RETURN
220 up RETURN
300 shot late.png" PICTURE_BMP=missing.bmp
[ "$STATUS" = 1 ] || fail "the load-error box answered with Return: exit status $STATUS, expected 1"
box_rect box.png
has late.png && fail "the program ran on after its load-error box"
ok "answered with Return, the load-error box ends the program with status 1"

# ---- No fonts at all: the quit box's question in placeholder cells
PROGRAM=$SAMPLE
printf '<?xml version="1.0"?><fontconfig></fontconfig>\n' >"$TMP/empty-fonts.conf"
run no_fonts "500 down ESCAPE
520 up ESCAPE
600 shot box.png
700 down N
720 up N
800 down A" FONTCONFIG_FILE="$TMP/empty-fonts.conf"
[ "$STATUS" = 1 ] || fail "without fonts: exit status $STATUS, expected 1"
[[ $ERR == *"apt-get install fonts-ipafont-gothic"* ]] || fail "without fonts, it does not say which to install: '$ERR'"
box_rect box.png
# The question's ten characters, right of the icon: ink in every 16-pixel
# cell of the line (the icon and margins take the first 60 pixels).
for i in $(seq 0 9); do
    "$SCREENTEXT" colors "$RUN/box.png" $((BX + 60 + 16 * i)) $((BY + 16)) 16 32 | grep -q '^000000 ' ||
        fail "without fonts, no ink in the question's cell $i (box ${BW}x$BH+$BX+$BY)"
done
ok "without fonts, the quit box shows ten placeholder cells for its question and says: $(grep -m1 fonts-ipafont <<<"$ERR")"
