#!/usr/bin/env bash
# End-to-end: browses a directory of four pictures with the real viewer under a virtual X
# server, by keyboard (Page Down, End, Home, F, Escape), and follows the window title.
#   e2e_browse.sh VIEWER DATA_DIR
set -euo pipefail
viewer=$1 data=$2

source "$(dirname "$0")/e2e_display.sh"

mkdir "$work/pics"
cp "$data/app/quadrants.bmp" "$work/pics/e2e-1.bmp"
cp "$data/codecs-noise.pgm" "$work/pics/e2e-2.pgm"
cp "$data/codecs-runs.pcx" "$work/pics/e2e-3.pcx"
cp "$data/codecs-runs-rle.tga" "$work/pics/e2e-4.tga"

QT_QPA_PLATFORM=xcb "$viewer" "$work/pics" >"$work/viewer.log" 2>&1 &
viewer_pid=$!

window=$(timeout 60 xdotool search --sync --name '^e2e-1\.bmp - Pelorama$' | head -n 1) || true
[ -n "$window" ] || fail "no viewer window appeared"
# No window manager here: give the window the keyboard directly.
xdotool windowfocus --sync "$window"

# Polls (the viewer works through its own event queue) until the command prints the expected
# text.
wait_until() {
    local what=$1 expected=$2 deadline=$((SECONDS + 30)) seen
    shift 2
    while :; do
        seen=$("$@" 2>/dev/null || true)
        [ "$seen" = "$expected" ] && { echo "$what: $seen"; return; }
        [ $SECONDS -ge $deadline ] && fail "$what is '$seen' where '$expected' was expected"
        sleep 0.1
    done
}
title() { xdotool getwindowname "$window"; }
position() { xdotool getwindowgeometry --shell "$window" | sed -n 's/^[XY]=//p' | paste -sd,; }
size() {
    xdotool getwindowgeometry --shell "$window" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sdx
}

# Dragging the picture moves the window with the pointer.
eval "$(xdotool getwindowgeometry --shell "$window")"
start_x=$X start_y=$Y
xdotool mousemove $((X + 20)) $((Y + 10))
xdotool mousedown 1
for step in 1 2 3 4 5 6; do
    xdotool mousemove $((start_x + 20 + step * 5)) $((start_y + 10 + step * 4))
done
xdotool mouseup 1
wait_until position "$((start_x + 30)),$((start_y + 24))" position

xdotool key Next
wait_until title "e2e-2.pgm - Pelorama" title
xdotool key End
wait_until title "e2e-4.tga - Pelorama" title
xdotool key Home
wait_until title "e2e-1.bmp - Pelorama" title
xdotool key f
wait_until size 1024x768 size
quit_viewer
