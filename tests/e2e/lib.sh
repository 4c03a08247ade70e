# Helpers shared by the end-to-end scripts; sourced, not run.
#
# A script calls e2e_init "$0" SAMPLE SCREENTEXT first. It then has:
#   $TMP          a scratch directory of its own (kept, and named, on failure)
#   start_sample  run the sample in the background; sets SAMPLE_PID
#   main_window   sets WIN to the sample's own window, once it is shown
#   box_window MS sets WIN to its message box window, or returns 1 if none
#                 is shown within MS ms
#   wait_exit MS  sets EXIT_STATUS and EXIT_MS (when it ended), or returns 1
#                 if the sample is still running after MS ms
#   expect_status_1 WHAT  fails unless it ended by itself with status 1 (and,
#                 built with sanitizers, without a report from them)
#   shot NAME     sets SHOT to a new screenshot of the whole screen, $TMP/NAME.ppm
#   pixel F X Y   the colour at (X,Y) of a screenshot, as RRGGBB
#   read_fps F X Y  the frame-rate report at (X,Y) of a screenshot (read_fps.sh)
#   hold/release  press and release keys through XTEST, tracked so that
#                 nothing stays held down if a check fails midway
#   under_wine    true when the sample runs under Wine (E2E_WINE=1)
#   wine_skip WHY says that a check is skipped under Wine, and why
# Coordinates are root-window (screen) pixels unless a name says otherwise.
# Helpers hand results back in variables rather than on standard output, so
# that a fail inside them ends the script, not just a $(...) subshell.
#
# The same scripts also drive the Windows build under Wine: SAMPLE is then
# wine-sample.sh, and the environment says so:
#   E2E_CLASS     the sample's WM_CLASS (instance and class): "sample" for the
#                 native build (default), "sample.exe" under Wine
#   E2E_WINE=1    under Wine; the scripts skip, through wine_skip, the checks
#                 that Wine cannot support

set -u
. "$(dirname "${BASH_SOURCE[0]}")/read_fps.sh"

E2E_KEYS_HELD=()
E2E_FAILED=0
SAMPLE_PID=
E2E_CLASS=${E2E_CLASS:-sample}
E2E_WINE=${E2E_WINE:-0}

fail() {
    echo "FAIL: $*" >&2
    E2E_FAILED=1
    exit 1
}

ok() { echo "ok: $*"; }

under_wine() { [ "$E2E_WINE" = 1 ]; }

# Tells that a check does not run under Wine, and why.
wine_skip() { echo "skipped under Wine: $*"; }

now_ms() {
    local us=${EPOCHREALTIME//[.,]/}
    echo $((us / 1000))
}

e2e_init() {
    E2E_NAME=$(basename "$1" .sh)
    SAMPLE=${2:-}
    SCREENTEXT=${3:-}
    [ -x "$SAMPLE" ] || fail "usage: $1 SAMPLE_BINARY SCREENTEXT_BINARY (sample '$SAMPLE' is not executable)"
    [ -x "$SCREENTEXT" ] || fail "screentext '$SCREENTEXT' is not executable"
    [ -n "${DISPLAY:-}" ] || fail "DISPLAY is not set: these tests need a running X server with a window manager (e.g. Xvfb :N plus openbox)"
    local wm
    wm=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>&1) || fail "cannot reach X display $DISPLAY: $wm"
    case $wm in *"window id"*) ;; *) fail "no window manager is running on $DISPLAY" ;; esac
    local tools=(xdotool xprop xwininfo import)
    under_wine && tools+=(wine wineserver convert timeout)
    for tool in "${tools[@]}"; do
        command -v "$tool" >/dev/null || fail "$tool is not installed"
    done
    TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e_${E2E_NAME}.XXXXXX")
    trap e2e_cleanup EXIT
}

# Releases held keys, ends a sample still running, fails if a sanitizer
# reported anything, and removes the scratch directory unless something
# failed (then its screenshots and the sample's output stay for a look).
e2e_cleanup() {
    local rc=$?
    local key
    for key in "${E2E_KEYS_HELD[@]}"; do xdotool keyup "$key" 2>/dev/null; done
    stop_sample
    (sanitizers_quiet "at the end") || E2E_FAILED=1
    if [ "$rc" -ne 0 ] || [ "$E2E_FAILED" -ne 0 ]; then
        echo "e2e_$E2E_NAME failed; screenshots and logs kept in $TMP" >&2
        ls -l "$TMP" >&2
        if [ -s "$TMP/sample.log" ]; then
            echo "--- the sample's output:" >&2
            cat "$TMP/sample.log" >&2
        fi
        exit 1
    else
        rm -rf "$TMP"
        echo "e2e_$E2E_NAME: all checks passed"
    fi
}

# ---- The sample process ----

# Under Wine: waits up to 10 s for the wineserver of an earlier run (in this
# prefix) to end, about 2 s after its last program. It keeps its desktop's
# keyboard state, and a key released after that program ended (so while no
# Wine window had the focus) still reads as held there: the next sample
# would see it and end at once.
wine_settle() {
    timeout 10 wineserver -w 2>/dev/null ||
        echo "note: Wine's wineserver still runs after 10 s; keys released since its last program ended may read as held"
}

# Starts the sample in a wrapper subshell that records its PID, and when it
# ends its exit status and the time it ended (ms), in $TMP/status.
start_sample() {
    under_wine && wine_settle
    rm -f "$TMP/pid" "$TMP/status"
    (
        cd "$TMP" || exit
        "$SAMPLE" >>"$TMP/sample.log" 2>&1 &
        echo $! >"$TMP/pid"
        wait $!
        echo "$? $(now_ms)" >"$TMP/status.new"
        mv "$TMP/status.new" "$TMP/status"
    ) 2>>"$TMP/wrapper.log" &
    local i
    for i in $(seq 100); do
        [ -s "$TMP/pid" ] && break
        sleep 0.01
    done
    SAMPLE_PID=$(cat "$TMP/pid" 2>/dev/null) || fail "the sample did not start"
}

# The exit status of a sample that has ended.
exit_status() { cut -d' ' -f1 "$TMP/status" 2>/dev/null; }

running() { [ -n "$SAMPLE_PID" ] && [ ! -e "$TMP/status" ] && kill -0 "$SAMPLE_PID" 2>/dev/null; }

# Waits up to $1 ms for the sample to end.
wait_exit() {
    local deadline=$(($(now_ms) + $1))
    while [ ! -e "$TMP/status" ]; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.005
    done
    read -r EXIT_STATUS EXIT_MS <"$TMP/status"
}

# Requires the sample, already ended, to have ended the orderly way: status 1
# with no X error reported. (Xlib's default handler for an X error also exits
# with status 1, so the status alone cannot tell the two apart.)
expect_status_1() {
    [ "$EXIT_STATUS" = 1 ] || fail "$1: exit status $EXIT_STATUS, expected 1"
    if grep -q "X Error" "$TMP/sample.log" 2>/dev/null; then
        fail "$1: the sample died of an X error, not by ending itself"
    fi
    sanitizers_quiet "$1"
}

# A sample built with AddressSanitizer or UndefinedBehaviorSanitizer reports
# what it finds on standard error: any report fails the script, even one
# the sample went on after.
sanitizers_quiet() {
    if grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$TMP/sample.log" 2>/dev/null; then
        fail "$1: a sanitizer reported an error (the sample's output follows)"
    fi
}

# Ends the sample if it still runs. It does not stop on SIGTERM (the signal
# only becomes a quit event that nothing reads), so SIGKILL follows shortly.
# Under Wine SAMPLE_PID is sample.exe's own process, which SIGTERM ends.
stop_sample() {
    if running; then
        kill "$SAMPLE_PID" 2>/dev/null
        wait_exit 300 || kill -9 "$SAMPLE_PID" 2>/dev/null
    fi
    wait 2>/dev/null
    SAMPLE_PID=
}

# ---- Windows ----

# Sets WIN to the first visible window of the sample (its PID and WM_CLASS
# $E2E_CLASS) whose title is exactly $1, looking at least once and for up to
# $2 ms; returns 1 when there is none (or the sample has ended). xdotool's
# --name match is not reliable for Japanese titles, so the titles are
# compared here, byte for byte; that also passes over the hidden "Default
# IME" windows Wine gives every thread.
window_titled() {
    local title=$1 deadline=$(($(now_ms) + $2)) w
    # The class as an anchored regular expression, its dots taken literally.
    local class_re="^${E2E_CLASS//./\\.}\$"
    while running; do
        for w in $(xdotool search --all --onlyvisible --pid "$SAMPLE_PID" --class "$class_re" 2>/dev/null); do
            if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$title" ]; then
                WIN=$w
                return 0
            fi
        done
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
    return 1
}

# Wine needs longer to show it when its wineserver is not yet running.
main_window() {
    local ms=10000
    under_wine && ms=20000
    window_titled "タイトルです" "$ms" && return 0
    running || fail "the sample ended with status $(exit_status) before its window appeared"
    fail "no visible window of class $E2E_CLASS titled タイトルです appeared within $((ms / 1000)) s"
}

box_window() { window_titled "終了確認です" "$1"; }

# Client area of window $1 on the screen: sets WX WY WW WH.
client_rect() {
    local info
    info=$(xwininfo -id "$1") || fail "xwininfo cannot read window $1"
    WX=$(awk '/Absolute upper-left X:/ {print $NF}' <<<"$info")
    WY=$(awk '/Absolute upper-left Y:/ {print $NF}' <<<"$info")
    WW=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
    WH=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
}

# Frame the window manager put around window $1: sets FL FR FT FB.
frame_extents() {
    local v
    v=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
    [ -n "$v" ] || fail "window $1 has no _NET_FRAME_EXTENTS"
    IFS=, read -r FL FR FT FB <<<"$v"
}

# A window property as xprop prints it after '= ' (UTF-8 text unescaped).
prop() { LC_ALL=C.UTF-8 xprop -id "$1" "$2" | sed -n 's/^[^=]*= //p'; }

active_window() { xdotool getactivewindow 2>/dev/null; }

# Waits up to $2 ms for window $1 to have the input focus.
wait_active() {
    local deadline=$(($(now_ms) + $2))
    while [ "$(active_window)" != "$1" ]; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.02
    done
}

# ---- Screen and keys ----

shot() {
    SHOT="$TMP/$1.ppm"
    import -silent -window root -depth 8 "ppm:$SHOT" || fail "could not take a screenshot ($SHOT)"
}

pixel() { "$SCREENTEXT" colors "$1" "$2" "$3" 1 1 | cut -d' ' -f1; }

hold() {
    xdotool keydown "$1" || fail "xdotool keydown $1 failed"
    E2E_KEYS_HELD+=("$1")
}

release() {
    xdotool keyup "$1" || fail "xdotool keyup $1 failed"
    local kept=() k
    for k in "${E2E_KEYS_HELD[@]}"; do [ "$k" = "$1" ] || kept+=("$k"); done
    E2E_KEYS_HELD=("${kept[@]}")
}
