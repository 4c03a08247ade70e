#!/usr/bin/env bash
# Without a desktop: with DISPLAY unset, or naming a display that nobody
# serves, the sample has nowhere to show its window. It says so on standard
# error, naming DISPLAY, and ends with status 1 at once, rather than running
# on unseen (as it would on a video driver that draws into memory only).
# Needs no X server. Usage: nodisplay.sh SAMPLE
set -u
SAMPLE=${1:-}
[ -x "$SAMPLE" ] || { echo "FAIL: usage: $0 SAMPLE_BINARY" >&2; exit 1; }
TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e_nodisplay.XXXXXX")
trap 'rm -rf "$TMP"' EXIT
failed=0

# A display number with no server: neither its socket nor its lock file exists.
free_display() {
    local n
    for n in $(seq 471 999); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo ":$n"; return; }
    done
}

# Runs the sample with env(1) arguments $2.. (with no Wayland display and no
# video driver named, so that nothing else can stand in for X) and requires
# status 1 within 10 s, and a message on standard error that names DISPLAY.
expect_refusal() {
    local what=$1 status err
    shift
    (cd "$TMP" && timeout 10 env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$@" "$SAMPLE" >"$TMP/out" 2>"$TMP/err")
    status=$?
    err=$(cat "$TMP/err")
    if [ "$status" = 124 ]; then
        echo "FAIL: $what: the sample still ran after 10 s (standard error: '$err')" >&2
        failed=1
    elif [ "$status" != 1 ]; then
        echo "FAIL: $what: exit status $status, expected 1 (standard error: '$err')" >&2
        failed=1
    elif ! grep -q DISPLAY <<<"$err"; then
        echo "FAIL: $what: standard error does not name DISPLAY: '$err'" >&2
        failed=1
    else
        echo "ok: $what: status 1, saying: $err"
    fi
}

expect_refusal "DISPLAY unset" -u DISPLAY
display=$(free_display)
expect_refusal "DISPLAY=$display, where no server runs" DISPLAY="$display"

[ "$failed" = 0 ] && echo "e2e_nodisplay: all checks passed"
exit "$failed"
