#!/usr/bin/env bash
# Runs a program of the Windows build (the sample, or the example game)
# under Wine, so that the end-to-end scripts can take this file as their
# SAMPLE argument.
# Usage: wine-sample.sh [SAMPLE.EXE]   (default: $E2E_WINE_EXE)
# An existing WINEPREFIX, WINEDEBUG or WINEDLLOVERRIDES is kept; unset ones
# get the defaults below. The locale is Japanese unless it already is: that
# makes Wine's ANSI code page 932, which the sample's Shift-JIS strings need
# (Wine goes by the name in LANG/LC_ALL even where that locale is not
# installed). Wine's helper processes (wineserver, services.exe,
# explorer.exe) outlive the sample by a few seconds, then end by themselves.
set -eu
exe=${1:-${E2E_WINE_EXE:-}}
[ -f "$exe" ] || { echo "wine-sample.sh: no sample.exe at '$exe' (pass it or set E2E_WINE_EXE)" >&2; exit 2; }
export WINEDEBUG=${WINEDEBUG--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
# (Set through env, not in this shell, which would warn where the locale is
# not installed.)
locale=(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
case ${LC_ALL:-${LANG:-}} in ja_JP*) locale=() ;; esac
prefix=${WINEPREFIX:-$HOME/.wine}
# A prefix that was never set up is set up first (quietly; 10-20 s), so the
# sample's window is not held up behind Wine's first-run dialogs.
if [ ! -f "$prefix/system.reg" ]; then
    env "${locale[@]}" WINEPREFIX="$prefix" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
fi
# exec keeps this PID: wine execs its loader in turn, and that process
# becomes sample.exe (its windows carry this PID in _NET_WM_PID), so the
# caller can wait for it, read its exit status and kill it by this PID.
exec env "${locale[@]}" wine "$exe"
