#!/usr/bin/env bash
# Without a desktop: with DISPLAY unset, or naming a display that nobody
# serves, the sample runs headless and says so, in one line naming DISPLAY.
# With QX_HEADLESS=0 it may not: it says what is missing, naming DISPLAY, and
# ends with status 1 at once, rather than run on unseen.
# Needs no X server. Usage: nodisplay.sh SAMPLE
set -u
SAMPLE=$(realpath -e "${1:-/nonexistent}" 2>/dev/null)
[ -x "$SAMPLE" ] || { echo "FAIL: usage: $0 SAMPLE_BINARY" >&2; exit 1; }
TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e_nodisplay.XXXXXX")
trap 'rm -rf "$TMP"' EXIT
failed=0
printf '500 down A\n' >"$TMP/keys.txt"

# A display number with no server: neither its socket nor its lock file exists.
free_display() {
    local n
    for n in $(seq 471 999); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo ":$n"; return; }
    done
}

# Runs the sample with env(1) arguments $3.. (with no Wayland display and no
# video driver named, so that nothing else can stand in for X) and sets
# STATUS and ERR (standard error); a run still going after 10 s is ended.
run() {
    (cd "$TMP" && timeout 10 env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u QX_HEADLESS -u QX_EXIT_SHOT "$@" \
        "$SAMPLE" >"$TMP/out" 2>"$TMP/err")
    STATUS=$?
    ERR=$(cat "$TMP/err")
}

check() {  # what, expected status, a word the message must hold, a word it must not
    local what=$1 status=$2 word=$3 not=$4
    if [ "$STATUS" != "$status" ]; then
        echo "FAIL: $what: exit status $STATUS, expected $status (standard error: '$ERR')" >&2
        failed=1
    elif ! grep -q DISPLAY <<<"$ERR" || ! grep -q "$word" <<<"$ERR" || grep -q "$not" <<<"$ERR"; then
        echo "FAIL: $what: standard error should name DISPLAY and say '$word', not '$not': '$ERR'" >&2
        failed=1
    elif [ "$(wc -l <"$TMP/err")" != 1 ]; then
        echo "FAIL: $what: standard error should be one line: '$ERR'" >&2
        failed=1
    else
        echo "ok: $what: status $STATUS, saying: $ERR"
    fi
}

display=$(free_display)
# Headless: the key script (holding A at 500 ms) ends the run.
run -u DISPLAY QX_SCRIPT=keys.txt
check "DISPLAY unset" 1 "running headless" "no-such-word"
run DISPLAY="$display" QX_SCRIPT=keys.txt
check "DISPLAY=$display, where no server runs" 1 "running headless" "no-such-word"
# Refused: no script, which a headless run would need to end.
run -u DISPLAY QX_HEADLESS=0
check "DISPLAY unset, QX_HEADLESS=0" 1 "no X display" "headless"
run DISPLAY="$display" QX_HEADLESS=0
check "DISPLAY=$display, QX_HEADLESS=0" 1 "cannot open" "headless"

[ "$failed" = 0 ] && echo "e2e_nodisplay: all checks passed"
exit "$failed"
