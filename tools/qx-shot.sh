#!/usr/bin/env bash
# Runs a program on a virtual desktop of its own and takes a screenshot:
#
#   qx-shot [-s SECONDS] OUT.png PROGRAM [ARGUMENT...]
#
# Starts a virtual X server (1024 x 768, on a free display) with a window
# manager (openbox), runs PROGRAM there in the current directory, and after
# SECONDS (default 2) writes the whole screen to OUT.png (through a
# temporary name, so OUT.png is whole or absent), ends the program, stops the
# desktop and prints OUT.png's path. The desktop is always a new one, so the
# shot shows the program alone, whether or not a display is open. A Windows
# build runs the same way: qx-shot out.png env LANG=ja_JP.UTF-8 wine game.exe
#
# Exit status: 0 with the shot taken; 1 when the program ended before it
# (with its status told); 2 for wrong arguments or a desktop that did not
# start. Needs Xvfb, openbox, xprop and ImageMagick's import (Debian: xvfb
# openbox x11-utils imagemagick).
#
# Sourced, it only defines start_desktop (starts the desktop and exports
# DISPLAY) and stop_desktop.

start_desktop() {
  local fifo n
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -displayfd: the server picks a free display number and writes it here.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  QX_XVFB_PID=$!
  read -r -t 10 n <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$n"
  openbox >/dev/null 2>&1 &
  QX_WM_PID=$!
  # Ready once the window manager has announced itself on the root window.
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    sleep 0.05
  done
  echo "openbox did not start" >&2
  return 1
}

stop_desktop() {
  [ -n "${QX_WM_PID:-}" ] && kill "$QX_WM_PID" 2>/dev/null
  [ -n "${QX_XVFB_PID:-}" ] && kill "$QX_XVFB_PID" 2>/dev/null
  wait 2>/dev/null || true
}

(return 0 2>/dev/null) && return 0

set -uo pipefail
usage() { echo "usage: qx-shot [-s SECONDS] OUT.png PROGRAM [ARGUMENT...]" >&2; exit 2; }
seconds=2
while getopts s: opt; do
  case $opt in
  s) [[ $OPTARG =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "qx-shot: -s takes seconds, not '$OPTARG'" >&2; exit 2; }
     seconds=$OPTARG ;;
  *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 2 ] || usage
out=$1
shift
case $out in
*.png) ;;
*) echo "qx-shot: the shot's name must end in .png, not '$out'" >&2; exit 2 ;;
esac
[ -d "$(dirname "$out")" ] || { echo "qx-shot: no folder $(dirname "$out") for $out" >&2; exit 2; }
[ ! -e "$out" ] || [ -f "$out" ] || { echo "qx-shot: $out is there and is not a regular file" >&2; exit 2; }
for tool in Xvfb openbox xprop import; do
  command -v "$tool" >/dev/null ||
    { echo "qx-shot: $tool is missing (Debian: apt-get install xvfb openbox x11-utils imagemagick)" >&2; exit 2; }
done

pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  stop_desktop
  rm -f "$tmp"
}
tmp="$(dirname "$out")/.$(basename "$out" .png).$$.png"
trap cleanup EXIT
start_desktop || exit 2
"$@" &
pid=$!
sleep "$seconds"
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  status=$?
  pid=
  echo "qx-shot: $1 ended with status $status before the shot" >&2
  exit 1
fi
import -silent -window root "png:$tmp" && mv -f "$tmp" "$out" || { echo "qx-shot: the screenshot failed" >&2; exit 2; }
realpath "$out"
