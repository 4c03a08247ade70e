#!/usr/bin/env bash
# The sample's window as the desktop sees it: its title (in both the
# properties that name a window), its client size, the outer frame's corner
# at the screen's origin, and always-on-top.
# Under Wine the outer corner is checked in Windows' terms instead (below).
# Usage: window.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/lib.sh"
e2e_init "$0" "$@"

start_sample
main_window
sleep 1  # let the window manager finish placing it
echo "sample pid $SAMPLE_PID, window $WIN"

title=$(prop "$WIN" _NET_WM_NAME)
[ "$title" = '"タイトルです"' ] || fail "_NET_WM_NAME is $title, expected \"タイトルです\""
ok "title (_NET_WM_NAME) is $title"
if under_wine; then
    wine_skip "the title in WM_NAME: Wine sets it to question marks here ($(prop "$WIN" WM_NAME)); its _NET_WM_NAME is right"
else
    title=$(prop "$WIN" WM_NAME)
    [ "$title" = '"タイトルです"' ] || fail "WM_NAME is $title, expected \"タイトルです\""
    ok "title (WM_NAME) is $title"
fi

class=$(prop "$WIN" WM_CLASS)
[ "$class" = "\"$E2E_CLASS\", \"$E2E_CLASS\"" ] || fail "WM_CLASS is $class, expected instance and class \"$E2E_CLASS\""
ok "WM_CLASS is $class"

client_rect "$WIN"
[ "$WW" = 640 ] && [ "$WH" = 400 ] || fail "client area is ${WW}x$WH, expected 640x400"
ok "client area 640x400 at ($WX,$WY)"

frame_extents "$WIN"
outer_x=$((WX - FL)) outer_y=$((WY - FT))
if under_wine; then
    # Wine places the window by Windows' frame metrics, not the window
    # manager's: an outer corner at (0,0) puts the client at (4,23) (what
    # AdjustWindowRect gives with Wine's default metrics), while openbox's
    # thinner frame then starts at (3,3).
    wine_skip "outer frame corner at (0,0): the window manager's frame starts at ($outer_x,$outer_y), as Wine sizes frames by Windows' metrics"
    [ "$WX" = 4 ] && [ "$WY" = 23 ] ||
        fail "client at ($WX,$WY), expected (4,23): the client of a window whose Windows-side outer corner is (0,0)"
    ok "client at (4,23): the Windows-side outer corner is at (0,0); window manager's frame left,right,top,bottom = $FL,$FR,$FT,$FB"
else
    [ "$outer_x" = 0 ] && [ "$outer_y" = 0 ] ||
        fail "outer frame corner at ($outer_x,$outer_y) (client ($WX,$WY) less frame left $FL, top $FT), expected (0,0)"
    ok "outer frame corner at (0,0); frame left,right,top,bottom = $FL,$FR,$FT,$FB"
fi

state=$(prop "$WIN" _NET_WM_STATE)
case ", $state," in *", _NET_WM_STATE_ABOVE,"*) ;; *) fail "_NET_WM_STATE is '$state', without _NET_WM_STATE_ABOVE" ;; esac
ok "_NET_WM_STATE has _NET_WM_STATE_ABOVE ($state)"

running || fail "the sample ended by itself"
ok "still running after its checks"
