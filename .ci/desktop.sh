#!/usr/bin/env bash
# Sourced: start_desktop starts a virtual X server on a free display with a
# window manager (openbox), as a user's desktop would have, and exports
# DISPLAY; stop_desktop stops both.

start_desktop() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -displayfd: the server picks a free display number and writes it here.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  QX_XVFB_PID=$!
  local n
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
