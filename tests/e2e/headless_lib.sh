# Helpers shared by the headless end-to-end scripts; sourced, not run. They
# need no display: the program runs on the headless backend, in virtual
# time, driven by a key script, and what it shows is read from its PNG shots.
#
# A script calls headless_init "$0" PROGRAM [SCREENTEXT] first (SCREENTEXT
# only for read_rate). It then has:
#   $TMP        a scratch directory of its own (kept, and named, on failure)
#   run NAME SCRIPT [VAR=VALUE...]
#               runs PROGRAM headless in a new directory $TMP/NAME (its
#               shots land there) with the key script SCRIPT (the text
#               itself, one event a line) and the environment VAR=VALUE...;
#               sets RUN to the directory, STATUS to the exit status, ERR
#               to what it said on standard error and WALL_MS to its wall
#               time. A run still going after 20 s is ended (status 124),
#               and a run built with sanitizers that reports anything fails.
#   has NAME    true when the last run wrote the shot NAME
#   small_disk DIR KB
#               mounts a file system of KB KiB (tmpfs) at DIR, unmounted
#               at the end; false, saying why, where it cannot (not root)
#   read_rate F sets FPS_TEXT to the text at (20,20) of shot F in the
#               built-in font, and FPS to its number (empty unless the text
#               is "FPS:" and digits)

set -u
HEADLESS_FAILED=0
HEADLESS_MOUNTS=()
. "$(dirname "${BASH_SOURCE[0]}")/read_fps.sh"

fail() {
    echo "FAIL: $*" >&2
    HEADLESS_FAILED=1
    exit 1
}

ok() { echo "ok: $*"; }

now_ms() {
    local us=${EPOCHREALTIME//[.,]/}
    echo $((us / 1000))
}

headless_init() {
    HEADLESS_NAME=$(basename "$1" .sh)
    PROGRAM=$(realpath -e "${2:-.}" 2>/dev/null)
    SCREENTEXT=${3:-}
    [ -f "$PROGRAM" ] && [ -x "$PROGRAM" ] || fail "usage: $1 PROGRAM SCREENTEXT (program '$PROGRAM' is not executable)"
    [ -z "$SCREENTEXT" ] || [ -x "$SCREENTEXT" ] || fail "screentext '$SCREENTEXT' is not executable"
    TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e_${HEADLESS_NAME}.XXXXXX")
    trap headless_cleanup EXIT
}

headless_cleanup() {
    local rc=$? m
    for m in "${HEADLESS_MOUNTS[@]}"; do umount "$m" || rc=1; done
    if [ "$rc" -ne 0 ] || [ "$HEADLESS_FAILED" -ne 0 ]; then
        echo "e2e_$HEADLESS_NAME failed; shots and logs kept in $TMP" >&2
        [ -n "${RUN:-}" ] && [ -s "$RUN/err" ] && { echo "--- the last run's standard error:" >&2; cat "$RUN/err" >&2; }
    else
        rm -rf "$TMP"
        echo "e2e_$HEADLESS_NAME: all checks passed"
    fi
}

run() {
    local name=$1 script=$2
    shift 2
    RUN="$TMP/$name"
    mkdir -p "$RUN"
    printf '%s\n' "$script" >"$RUN/keys.txt"
    local t0
    t0=$(now_ms)
    (cd "$RUN" && timeout 20 env -u DISPLAY -u QX_EXIT_SHOT QX_HEADLESS=1 QX_SCRIPT=keys.txt "$@" "$PROGRAM" \
        >"$RUN/out" 2>"$RUN/err")
    STATUS=$?
    WALL_MS=$(($(now_ms) - t0))
    ERR=$(cat "$RUN/err")
    [ "$STATUS" != 124 ] || fail "$name: still running after 20 s of wall time"
    if grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" <<<"$ERR"; then
        fail "$name: a sanitizer reported an error"
    fi
}

has() { [ -f "$RUN/$1" ]; }

small_disk() {
    mkdir -p "$1"
    if [ "$(id -u)" != 0 ] || ! mount -t tmpfs -o "size=${2}k" tmpfs "$1" 2>/dev/null; then
        echo "skipped: a small file system at $1 needs root to mount"
        return 1
    fi
    HEADLESS_MOUNTS+=("$1")
}

read_rate() { read_fps "$RUN/$1" 20 20; }
