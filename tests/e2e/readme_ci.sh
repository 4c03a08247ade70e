#!/usr/bin/env bash
# The README's "Testing a game in CI", run as written: its key script and its
# commands, against the sample, in a scratch directory. The commands print
# the sample's exit status (1) and compare's (0 against a reference made from
# an earlier run, 1 against a reference with one pixel changed).
# Usage: readme_ci.sh README SAMPLE
set -u
README=${1:-}
SAMPLE=$(realpath -e "${2:-/nonexistent}" 2>/dev/null)
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$README" ] && [ -n "$SAMPLE" ] || fail "usage: $0 README SAMPLE"
command -v compare >/dev/null || fail "ImageMagick's compare is not installed"
TMP=$(mktemp -d "${TMPDIR:-/tmp}/e2e_readme_ci.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

# The body of the first ```$2 block after the heading $1.
block() {
    awk -v heading="$1" -v fence="$2" '
        $0 == heading { in_section = 1; next }
        in_section && /^## / { exit }
        in_section && !inside && $0 == "```" fence { inside = 1; next }
        inside && $0 == "```" { exit }
        inside { print }' "$README"
}
block "## Testing a game in CI" text >"$TMP/keys.txt"
block "## Testing a game in CI" sh >"$TMP/commands.sh"
[ -s "$TMP/keys.txt" ] && [ -s "$TMP/commands.sh" ] || fail "no key script or no commands in the README's 'Testing a game in CI'"
mkdir -p "$TMP/build/default" "$TMP/reference"
ln -s "$SAMPLE" "$TMP/build/default/sample"

# Runs the commands; sets OUT to what they printed.
commands() {
    OUT=$(cd "$TMP" && env -u DISPLAY -u QX_HEADLESS -u QX_SCRIPT -u QX_EXIT_SHOT bash commands.sh 2>&1)
}

# The first run makes the reference (its compare fails: there is none yet,
# status 2).
commands
[ -f "$TMP/rate.png" ] && [ -f "$TMP/end.png" ] || fail "the commands left no rate.png and end.png: $OUT"
mv "$TMP/rate.png" "$TMP/reference/rate.png"

commands
grep -qx "exit status 1" <<<"$OUT" || fail "expected 'exit status 1' from the README's commands: $OUT"
grep -qx "0 pixels differ, compare status 0" <<<"$OUT" || fail "expected 'compare status 0' against the first run's shot: $OUT"
echo "ok: the README's script and commands: exit status 1, compare status 0 against a reference from an earlier run"

convert "$TMP/reference/rate.png" -fill '#FF0000' -draw 'point 5,5' "$TMP/reference/rate.png" ||
    fail "cannot change a pixel of the reference"
commands
grep -qx "1 pixels differ, compare status 1" <<<"$OUT" ||
    fail "expected 'compare status 1' against a reference with one pixel changed: $OUT"
echo "ok: against a reference with one pixel changed, compare status 1"
echo "e2e_readme_ci: all checks passed"
