#!/usr/bin/env bash
# A key script or a setting that is wrong stops the program before it
# starts: status 2, and one short line on standard error naming the line of
# the script (or the setting) and what is wrong, the text it quotes cut and
# its control bytes escaped. Nothing runs, so no exit shot is written. A
# script is read as it comes, so one that never ends (/dev/zero, a pipe of a
# million lines and more) is refused at once. A byte-order mark and CR LF
# line ends are fine, and so is a script from a pipe. A setting that asks for
# the desktop is told that it plays no script.
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
    [ "$(wc -l <"$RUN/err")" = 1 ] && [ "$(wc -c <"$RUN/err")" -lt 400 ] ||
        fail "$name: standard error is not one short line: '${ERR:0:1000}'"
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
for limit in 0 -5 1.5 4294967296 soon; do
    expect_refusal "time_limit_$limit" "" "QX_TIME_LIMIT=$limit is not a whole number of milliseconds" QX_TIME_LIMIT=$limit
done

# Bytes no text editor would save: a NUL (once read as the line's end, so
# that "a<NUL>.png" shot "a"), an escape sequence, a 10 MB word, no end at all.
printf '100 shot a\0.png\n200 down A\n' >"$TMP/nul.txt"
expect_refusal nul "" 'line 1: byte 11 is the control byte \x00;' QX_SCRIPT="$TMP/nul.txt"
has a && fail "a NUL in a shot's name: the shot 'a' was written"
printf '100 down \033[31mA\n' >"$TMP/escape.txt"
expect_refusal escape "" 'line 1: byte 10 is the control byte \x1B;' QX_SCRIPT="$TMP/escape.txt"
head -c 10000000 /dev/zero | tr '\0' K | sed 's/^/100 down /' >"$TMP/long.txt"
expect_refusal long_line "" "line 1: longer than 4096 bytes" QX_SCRIPT="$TMP/long.txt"
expect_refusal long_key "100 down $(printf 'K%.0s' {1..4000})" "line 1: unknown key \"$(printf 'K%.0s' {1..60})...\" (keys"
expect_refusal dev_zero "" "QX_SCRIPT=/dev/zero, line 1: byte 1 is the control byte \x00;" QX_SCRIPT=/dev/zero
expect_refusal endless_pipe "" "line 1000001: one line too many: a key script has at most 1000000 lines" \
    QX_SCRIPT=<(yes "100 down A")

# What Windows editors save, and a pipe, are fine.
printf '\xef\xbb\xbf# keys.txt\r\n100 shot early.png\r\n200 down A\r\n' >"$TMP/windows.txt"
run windows_editor "" QX_SCRIPT="$TMP/windows.txt"
[ "$STATUS" = 1 ] && has early.png || fail "a script with a byte-order mark and CR LF: status $STATUS ('$ERR')"
run pipe "" QX_SCRIPT=<(printf '100 shot early.png\n200 down A\n')
[ "$STATUS" = 1 ] && has early.png || fail "a script from a pipe: status $STATUS ('$ERR')"
ok "a script with a byte-order mark and CR LF line ends, and one from a pipe, play"

# A script does not make a run headless: with QX_HEADLESS=0 and no display
# the run is refused as any desktop run without one is.
run desktop "100 down A" QX_HEADLESS=0
[ "$STATUS" = 1 ] || fail "QX_HEADLESS=0 without a display: exit status $STATUS, expected 1"
ok "QX_HEADLESS=0 without a display: status 1 ($ERR)"
