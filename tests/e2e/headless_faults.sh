#!/usr/bin/env bash
# What a headless run does where nobody is there to help. A message box that
# waits for an answer the key script will not give (none left, or no script
# at all) would wait for ever: the run ends at once with status 3 and one
# line naming the box, and the exit shot shows the box over the window. A
# picture that cannot load shows its error box on the window's surface, says
# its text on standard error, and ends with status 1 once answered. A game
# that never ends stops at QX_TIME_LIMIT with status 5 and its exit shot. A
# shot that cannot be written (a full disk; a FIFO, a device, a directory or
# a symbolic link at its name) leaves what had the name untouched and makes
# the run end with status 4, whatever else ends it; so does a sound
# recording (QX_AUDIO_SHOT) that cannot be written. With no font for
# Japanese installed, the quit box still shows its question, in placeholder
# cells, and the program says which fonts to install.
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
[[ $ERR == *'qx: a message box, "エラー": Bitmapロードエラー:missing.bmp'$'\n'* ]] ||
    fail "the load-error box's text is not on standard error: '$ERR'"
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

# ---- A game that never ends, stopped by the time limit
PROGRAM=$SAMPLE
run time_limit "" QX_SCRIPT= QX_TIME_LIMIT=3000 QX_EXIT_SHOT=exit.png
[ "$STATUS" = 5 ] || fail "QX_TIME_LIMIT=3000: exit status $STATUS, expected 5 (standard error: '$ERR')"
[[ $ERR == *"the run reached its time limit, QX_TIME_LIMIT=3000 ms of virtual time"* ]] ||
    fail "QX_TIME_LIMIT=3000: standard error '$ERR' does not say why the run ended"
read_rate exit.png
[ -n "$FPS" ] || fail "QX_TIME_LIMIT=3000: the exit shot shows '$FPS_TEXT', not the sample's rate"
ok "the time limit ends a game that never ends with status 5 and its exit shot ($FPS_TEXT): $ERR"

# ---- Shots that cannot be written
PROGRAM=$PICTURE
# Requires status 4, 'no shot $1: $2' and the line that ends the run.
expect_no_shot() {
    [ "$STATUS" = 4 ] || fail "$3: exit status $STATUS, expected 4 (standard error: '$ERR')"
    [[ $ERR == *"qx: no shot $1: $2"* && $ERR == *"could not be written; ending it with status 4"* ]] ||
        fail "$3: standard error '$ERR' does not say 'no shot $1: $2' and why the run ends with 4"
    [ -z "$(ls -A "$RUN" | grep '^\.qx-shot')" ] || fail "$3: a temporary file was left behind"
}
run reference "100 shot old.png
200 down A"
[ "$STATUS" = 1 ] && has old.png || fail "the picture's shot at 100 ms: status $STATUS"
OLD=$TMP/old.png
mv "$RUN/old.png" "$OLD"

# ---- A title screen, drawn before the first ML(), then a getch the script
# leaves waiting: the drawing stays, and the run ends stuck with its exit shot.
run title "100 shot title.png" PICTURE_TITLE=1 QX_EXIT_SHOT=exit.png
[ "$STATUS" = 3 ] || fail "a getch past the script's end: exit status $STATUS, expected 3 ('$ERR')"
[[ $ERR == *"waits for a key at 1100 ms of virtual time, and the key script has no events left; ending the run with status 3"* ]] ||
    fail "a getch past the script's end: standard error '$ERR' does not say why the run ended"
cmp -s "$OLD" "$RUN/title.png" && cmp -s "$OLD" "$RUN/exit.png" ||
    fail "the title screen's shot and exit shot are not the picture drawn before the first ML()"
ok "a title screen drawn before the first ML() stays, and its getch ends the run with status 3: $ERR"

# A full disk: the previous shot of that name stays whole.
if small_disk "$TMP/disk" 64; then
    cp "$OLD" "$TMP/disk/old.png"
    dd if=/dev/zero of="$TMP/disk/filler" bs=4k 2>/dev/null  # until it is full
    run full_disk "100 shot ../disk/old.png
200 down A"
    expect_no_shot ../disk/old.png "cannot write it: No space left on device" "a shot to a full disk"
    cmp -s "$OLD" "$TMP/disk/old.png" || fail "a shot to a full disk changed or removed the previous shot"
    [ "$(ls -A "$TMP/disk" | LC_ALL=C sort | tr '\n' ' ')" = "filler old.png " ] || fail "a shot to a full disk left a file behind"
    ok "a shot to a full disk leaves the previous one whole and ends the run with status 4"
fi

# Names that are not regular files are refused unopened, the exit shot's too:
# a FIFO would block, and a copy of /dev/full would be deleted.
mkdir -p "$TMP/not_files"
(cd "$TMP/not_files" && mkfifo fifo.png && mkdir dir.png && cp "$OLD" old.png && ln -s old.png link.png)
script="100 shot fifo.png
110 shot dir.png
120 shot link.png"
if [ "$(id -u)" = 0 ] && mknod "$TMP/not_files/full.png" c 1 7; then
    script+=$'\n130 shot full.png'
fi
run not_files "$script
200 down A" QX_EXIT_SHOT=fifo.png
expect_no_shot fifo.png "it is a FIFO; shots replace regular files only" "a shot to a FIFO"
expect_no_shot dir.png "it is a directory" "a shot to a directory"
expect_no_shot link.png "it is a symbolic link" "a shot to a symbolic link"
[ -p "$RUN/fifo.png" ] && [ -d "$RUN/dir.png" ] && [ -L "$RUN/link.png" ] && cmp -s "$OLD" "$RUN/old.png" ||
    fail "a refused shot changed what had its name"
[[ $ERR == *"qx: no shot fifo.png"*"qx: no shot fifo.png"* ]] || fail "the exit shot to a FIFO is not refused"
if [ -e "$RUN/full.png" ]; then
    expect_no_shot full.png "it is a character device" "a shot to a copy of /dev/full"
    [ -c "$RUN/full.png" ] && [ "$(stat -c %t,%T "$RUN/full.png")" = 1,7 ] || fail "the copy of /dev/full is gone"
fi
ok "shots to a FIFO, a directory, a symbolic link and a device are refused, each left as it was: status 4"

# The sound recording keeps the same rules: a FIFO at its name is refused
# unopened, a full disk leaves what had the name whole, and either ends the
# run with status 4; a name that is not FILE.wav is a setting that is wrong.
expect_no_recording() {
    [ "$STATUS" = 4 ] || fail "$3: exit status $STATUS, expected 4 (standard error: '$ERR')"
    [[ $ERR == *"qx: no sound recording $1: $2"* && $ERR == *"could not be written; ending it with status 4"* ]] ||
        fail "$3: standard error '$ERR' does not say 'no sound recording $1: $2' and why the run ends with 4"
    [ -z "$(ls -A "$RUN" | grep '^\.qx-shot')" ] || fail "$3: a temporary file was left behind"
}
mkdir -p "$TMP/sound_fifo"
mkfifo "$TMP/sound_fifo/sound.wav"
run sound_fifo "200 down A" QX_AUDIO_SHOT=sound.wav
expect_no_recording sound.wav "it is a FIFO; shots replace regular files only" "a recording to a FIFO"
[ -p "$RUN/sound.wav" ] || fail "a recording refused changed the FIFO at its name"
if small_disk "$TMP/sound_disk" 64; then
    echo "an older recording" >"$TMP/sound_disk/sound.wav"
    # 64 KiB holds a third of a second of sound; the game runs for a while.
    run sound_full_disk "3000 down A" QX_AUDIO_SHOT=../sound_disk/sound.wav
    expect_no_recording ../sound_disk/sound.wav "cannot write it: No space left on device" "a recording to a full disk"
    [ "$(cat "$TMP/sound_disk/sound.wav")" = "an older recording" ] || fail "a recording to a full disk changed the older one"
    [ "$(ls -A "$TMP/sound_disk")" = "sound.wav" ] || fail "a recording to a full disk left a file behind"
fi
run sound_named "200 down A" QX_AUDIO_SHOT=sound.mp3
[ "$STATUS" = 2 ] && [[ $ERR == *"QX_AUDIO_SHOT=sound.mp3: sound recordings are WAV files, named FILE.wav"* ]] ||
    fail "QX_AUDIO_SHOT=sound.mp3: status $STATUS, standard error '$ERR'"
ok "recordings to a FIFO or a full disk are refused, what had the name left as it was: status 4; sound.mp3: status 2"

# A file replaced keeps its permissions; a new one has the umask's.
mkdir -p "$TMP/modes"
echo "not yet a shot" >"$TMP/modes/kept.png"
chmod 0604 "$TMP/modes/kept.png"
umask_was=$(umask)
umask 027
run modes "100 shot kept.png
110 shot new.png
200 down A"
umask "$umask_was"
[ "$STATUS" = 1 ] || fail "shots replacing a file and making one: exit status $STATUS, expected 1 ('$ERR')"
cmp -s "$OLD" "$RUN/kept.png" && cmp -s "$OLD" "$RUN/new.png" || fail "the shots are not the picture's"
[ "$(stat -c %a "$RUN/kept.png") $(stat -c %a "$RUN/new.png")" = "604 640" ] ||
    fail "modes $(stat -c %a "$RUN/kept.png") and $(stat -c %a "$RUN/new.png"), expected 604 (kept) and 640 (umask 027)"
[ "$(ls -A "$RUN" | LC_ALL=C sort | tr '\n' ' ')" = "err kept.png keys.txt new.png out " ] ||
    fail "files left behind: $(ls -A "$RUN" | tr '\n' ' ')"
ok "a shot replacing a file keeps its mode (604), a new one has the umask's (640)"

# A failed exit shot makes a run that ends stuck end with 4.
mkdir -p "$TMP/stuck_exit_shot/dir.png"
run stuck_exit_shot "" QX_SCRIPT= PICTURE_BMP=missing.bmp QX_EXIT_SHOT=dir.png
expect_no_shot dir.png "it is a directory" "a stuck run's exit shot to a directory"
[[ $ERR == *"waits for input"* ]] || fail "the stuck run does not say it was stuck: '$ERR'"
ok "a stuck run whose exit shot fails ends with status 4"

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
