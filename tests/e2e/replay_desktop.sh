#!/usr/bin/env bash
# The replay's first shot, the title screen, as the desktop shows it: the
# example game on the virtual desktop (the X11 backend, in real time) must
# show, in its 640x400 client area, exactly the pixels of the headless
# reference replay/title.png. The title moves on (the ship hovers, its flame
# flickers, the prompt blinks: a dozen frames in turn), so screenshots are
# taken until one matches or 20 s have passed; a screenshot can also catch a
# frame between its flip and its text. A random pause between screenshots
# keeps them from falling in step with the frames (a loop of 15 frames' time
# would see only two of the flame's three looks).
# Usage: replay_desktop.sh GAME SCREENTEXT
. "$(dirname "$0")/lib.sh"
e2e_init "$0" "$@"
SAMPLE=$(realpath "$SAMPLE")
command -v compare >/dev/null || fail "ImageMagick's compare is not installed"
REFERENCE=$(dirname "$0")/replay/title.png
[ -f "$REFERENCE" ] || fail "no reference $REFERENCE"
cp -r "$(dirname "$SAMPLE")/pics" "$TMP/pics" || fail "no pictures beside $SAMPLE"
cp -r "$(dirname "$SAMPLE")/sounds" "$TMP/sounds" || fail "no sounds beside $SAMPLE"

start_sample
window_titled "ほしぞら防衛隊" 10000 || fail "no window titled ほしぞら防衛隊 within 10 s (status $(exit_status))"
sleep 1  # the ship's zoom ends after 45 frames
client_rect "$WIN"
[ "$WW" = 640 ] && [ "$WH" = 400 ] || fail "the client area is ${WW}x$WH, expected 640x400"

deadline=$(($(now_ms) + 20000)) tries=0 best=
while :; do
    tries=$((tries + 1))
    import -silent -window root -crop "${WW}x$WH+$WX+$WY" +repage "png:$TMP/desktop.png" ||
        fail "could not take a screenshot"
    differ=$(compare -metric AE "$TMP/desktop.png" "$REFERENCE" null: 2>&1)
    [ "$differ" = 0 ] && break
    [[ $differ =~ ^[0-9]+$ ]] && { [ -z "$best" ] || [ "$differ" -lt "$best" ]; } && best=$differ &&
        cp "$TMP/desktop.png" "$TMP/closest.png"
    [ "$(now_ms)" -lt "$deadline" ] ||
        fail "no screenshot of $tries in 20 s matched $REFERENCE; the closest differs in $best pixels ($TMP/closest.png)"
    sleep "0.0$((RANDOM % 10))"
done
ok "screenshot $tries of the title's client area on the desktop has the pixels of the headless replay/title.png"

hold q
wait_exit 3000 || fail "still running 3 s after q on the title screen"
release q
expect_status_1 "q on the title"
