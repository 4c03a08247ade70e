#!/usr/bin/env bash
# The drawing differential: runs draw_diff natively (our layer) and its
# Windows build under Wine (Wine's GDI) on the same seeded script, and
# compares the surface hashes chunk by chunk. On a difference it runs the
# first differing chunk again on both sides, hashing after every call, and
# names the first call whose result differs, with its arguments.
# Usage: draw_diff.sh DRAW_DIFF DRAW_DIFF.EXE
# Needs a display (the runtime opens its window). An existing WINEPREFIX,
# WINEDEBUG or WINEDLLOVERRIDES is kept; an unset WINEPREFIX gets a fresh
# prefix of its own. QX_DIFF_SEED, QX_DIFF_CALLS and QX_DIFF_CHUNK pass
# through to both sides.
set -u
native=$(realpath "$1")
exe=$(realpath "$2")
[ -x "$native" ] || { echo "draw_diff.sh: '$native' is not executable" >&2; exit 2; }
[ -f "$exe" ] || { echo "draw_diff.sh: no Windows build at '$exe'" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=${WINEDEBUG--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$work/prefix"
  trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

# Both sides end with the runtime's status 1; what counts is what they print.
# The Windows build writes CRLF.
run_both() {  # extra environment assignments for both sides
  (cd "$work" && env "$@" "$native" >native.txt 2>native.err) || true
  (cd "$work" && env "$@" wine "$exe" 2>wine.err | tr -d '\r' >wine.txt) || true
  for side in native wine; do
    if ! grep -q "^chunk\|^call" "$work/$side.txt"; then
      echo "FAIL: the $side side printed no hashes:" >&2
      cat "$work/$side.err" >&2
      exit 1
    fi
  done
}

start=$(date +%s)
run_both
sed -n '/^known differences/,/^chunk/p' "$work/native.txt" | grep -v '^chunk'
first=$(diff <(grep '^chunk' "$work/native.txt") <(grep '^chunk' "$work/wine.txt") | grep -m1 '^[<>] chunk' |
  awk '{print $3}')
if [ -z "$first" ]; then
  echo "native: $(tail -1 "$work/native.txt")"
  echo "Wine:   $(tail -1 "$work/wine.txt")"
  echo "ok: every chunk hash agrees ($(($(date +%s) - start)) s)"
  exit 0
fi

echo "FAIL: chunk $first differs; bisecting it"
run_both QX_DIFF_BISECT="$first"
paste -d'\n' <(grep '^call' "$work/native.txt") <(grep '^call' "$work/wine.txt") |
  awk 'NR % 2 == 1 { ours = $0; next }
       { split(ours, o, " "); split($0, w, " ")
         if (o[3] != w[3]) {
           sub(/^call [0-9]+ [0-9a-f]+ /, "", ours)
           printf "first call whose result differs: call %s, %s\n  hash ours %s, Wine %s\n", o[2], ours, o[3], w[3]
           found = 1; exit
         } }
       END { if (!found) print "no single call differs when hashed one by one (the chunk hash covers the same state)" }'
exit 1
