#!/usr/bin/env bash
# The headless backend draws what the desktop shows: the same game (picture,
# which draws one fixed picture with every kind of drawing) shot headless and
# screenshot on the virtual desktop are the same, pixel for pixel, in the
# client area; so is its quit box's client area. A desktop run plays no key
# script, and says so.
# Usage: drawing.sh PICTURE SCREENTEXT
. "$(dirname "$0")/lib.sh"
e2e_init "$0" "$@"
E2E_CLASS=picture
command -v compare >/dev/null || fail "ImageMagick's compare is not installed"
PROGRAM=$(realpath "$SAMPLE")

# Crops rectangle $2 (WxH+X+Y) of image $1 into PNG $3.
crop() { convert "$1" -crop "$2" +repage "$3" || fail "cannot crop $2 out of $1"; }

# Requires PNGs $1 and $2 to be the same size with no pixel different.
same_pixels() {
    local differ
    differ=$(compare -metric AE "$1" "$2" null: 2>&1)
    [ "$differ" = 0 ] || fail "$3: $differ pixels differ between $1 and $2"
}

# ---- Headless: the picture, then its quit box.
headless_run() {  # directory, then the key script's lines
    local dir=$1
    shift
    mkdir -p "$dir"
    printf '%s\n' "$@" >"$dir/keys.txt"
    (cd "$dir" && timeout 20 env -u DISPLAY QX_HEADLESS=1 QX_SCRIPT=keys.txt "$PROGRAM" 2>"$dir/err")
}
headless_run "$TMP/headless" "1000 shot picture.png" "1100 down ESCAPE" "1120 up ESCAPE" "1300 shot box.png" \
    "1400 down N" "1420 up N" "1500 down A"
[ -f "$TMP/headless/box.png" ] || fail "the headless run took no shot of its box ($(cat "$TMP/headless/err"))"
read -r hx hy hw hh <<<"$("$SCREENTEXT" bounds "$TMP/headless/box.png" FFFFFF F0F0F0)" ||
    fail "no box in the headless shot"

# ---- The desktop.
export QX_SCRIPT="$TMP/headless/keys.txt"
start_sample
unset QX_SCRIPT
main_window
MAIN=$WIN
sleep 1  # the window manager places it, and a frame or two draw it again
client_rect "$MAIN"
[ "$WW" = 640 ] && [ "$WH" = 400 ] || fail "the client area is ${WW}x$WH, expected 640x400"
# The window manager may still be placing the window: a screenshot gets a
# few tries.
for try in 1 2 3; do
    shot "desktop$try"
    crop "$SHOT" "${WW}x$WH+$WX+$WY" "$TMP/desktop_picture.png"
    [ "$(compare -metric AE "$TMP/desktop_picture.png" "$TMP/headless/picture.png" null: 2>&1)" = 0 ] && break
    sleep 0.2
done
same_pixels "$TMP/desktop_picture.png" "$TMP/headless/picture.png" "the picture"
ok "the picture's 640x400 client area is the same on the desktop and headless"
grep -q "played by headless runs only" "$TMP/sample.log" || fail "the desktop run did not say that it plays no key script"
ok "the desktop run says it plays no key script"

timeout 5 xdotool windowactivate --sync "$MAIN" >/dev/null 2>&1
xdotool key Escape
box_window 3000 || fail "no quit box appeared on the desktop after ESC"
BOX=$WIN
sleep 0.5
client_rect "$BOX"
[ "$WW" = "$hw" ] && [ "$WH" = "$hh" ] || fail "the box's client area is ${WW}x$WH on the desktop, ${hw}x$hh headless"
shot desktop_box
crop "$SHOT" "${WW}x$WH+$WX+$WY" "$TMP/desktop_box.png"
crop "$TMP/headless/box.png" "${hw}x$hh+$hx+$hy" "$TMP/headless_box.png"
same_pixels "$TMP/desktop_box.png" "$TMP/headless_box.png" "the quit box"
ok "the quit box's ${WW}x$WH client area is the same on the desktop and headless"
xdotool key n
hold a
wait_exit 3000 || fail "still running 3 s after a went down"
release a
expect_status_1 "key a"
