# The frame-rate report the sample shows, read off a picture; sourced by
# lib.sh and headless_lib.sh, not run. It needs $SCREENTEXT and fail.
#   read_fps FILE X Y  sets FPS_TEXT to the 8 cells of built-in-font text at
#                      (X,Y) of FILE (a screenshot or a shot), and FPS to its
#                      number (empty unless the text is "FPS:" and digits)

read_fps() {
    FPS_TEXT=$("$SCREENTEXT" read "$1" "$2" "$3" 8) || fail "screentext cannot read $1"
    FPS_TEXT=${FPS_TEXT%"${FPS_TEXT##*[! ]}"}  # blank cells after the digits read as spaces
    FPS=
    [[ $FPS_TEXT =~ ^FPS:([0-9]+)$ ]] && FPS=${BASH_REMATCH[1]}
}
