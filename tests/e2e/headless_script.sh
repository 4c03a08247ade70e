#!/usr/bin/env bash
# A key script or a setting that is wrong stops the program before it
# starts: status 2, and one line on standard error naming the line of the
# script (or the setting) and what is wrong. Nothing runs, so no exit shot
# is written. A setting that asks for the desktop is told that it plays no
# script.
# Usage: headless_script.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/headless_lib.sh"
headless_init "$0" "$@"

# Runs script $2 with settings $4.. and requires status 2 and a message
# holding $3, and no exit shot.
expect_refusal() {
    local name=$1 script=$2 says=$3
    shift 3
    run "$name" "$script" QX_EXIT_SHOT=exit.png "$@"
    [ "$STATUS" = 2 ] || fail "$name: exit status $STATUS, expected 2 (standard error: '$ERR')"
    [[ $ERR == *"$says"* ]] || fail "$name: standard error '$ERR' does not say '$says'"
    [ "$(wc -l <"$RUN/err")" = 1 ] || fail "$name: standard error is not one line: '$ERR'"
    has exit.png && fail "$name: an exit shot was written: the program ran"
    ok "$name: status 2, saying: $ERR"
}

expect_refusal unknown_key "# comment
100 down A
200 down ENTER" "line 3: unknown key \"ENTER\""
expect_refusal backwards "100 down A
50 up A" "line 2: the time 50 goes back before 100 (line 1)"
expect_refusal no_time "down A" "line 1: the time \"down\" is not a whole number"
expect_refusal bad_action "

10 press A" "line 3: unknown action \"press\""
expect_refusal missing_argument "10 click 5" "line 1: too few arguments: click X Y"
expect_refusal not_png "10 shot screen.bmp" "line 1: shot \"screen.bmp\": shots are PNG files"
expect_refusal no_script_file "" "cannot read the key script QX_SCRIPT=missing.txt: No such file" QX_SCRIPT=missing.txt
expect_refusal exit_shot_not_png "" "QX_EXIT_SHOT=exit.bmp: shots are PNG files" QX_EXIT_SHOT=exit.bmp
expect_refusal headless_word "" "QX_HEADLESS=yes is not understood" QX_HEADLESS=yes

# A script does not make a run headless: with QX_HEADLESS=0 and no display
# the run is refused as any desktop run without one is.
run desktop "100 down A" QX_HEADLESS=0
[ "$STATUS" = 1 ] || fail "QX_HEADLESS=0 without a display: exit status $STATUS, expected 1"
ok "QX_HEADLESS=0 without a display: status 1 ($ERR)"
