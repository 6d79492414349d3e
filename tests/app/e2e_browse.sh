#!/usr/bin/env bash
# End-to-end: browses a directory of four pictures with the real viewer under a virtual X
# server, by keyboard (Page Down, End, Home, F, Escape), and follows the window title.
#   e2e_browse.sh VIEWER DATA_DIR
set -euo pipefail
viewer=$1 data=$2

if [ -z "${PELORAMA_E2E_DISPLAY:-}" ]; then
    exec env PELORAMA_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
viewer_pid=
cleanup() {
    [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/pics"
cp "$data/app/quadrants.bmp" "$work/pics/e2e-1.bmp"
cp "$data/codecs-noise.pgm" "$work/pics/e2e-2.pgm"
cp "$data/codecs-runs.pcx" "$work/pics/e2e-3.pcx"
cp "$data/codecs-runs-rle.tga" "$work/pics/e2e-4.tga"

QT_QPA_PLATFORM=xcb "$viewer" "$work/pics" >"$work/viewer.log" 2>&1 &
viewer_pid=$!

fail() {
    echo "$1"
    cat "$work/viewer.log"
    exit 1
}

window=$(timeout 60 xdotool search --sync --name '^e2e-1\.bmp - Pelorama$' | head -n 1) || true
[ -n "$window" ] || fail "no viewer window appeared"
# No window manager here: give the window the keyboard directly.
xdotool windowfocus --sync "$window"

# Polls until the title is the expected one (the viewer works through its own event queue).
wait_for_title() {
    local expected=$1 deadline=$((SECONDS + 30)) seen
    while :; do
        seen=$(xdotool getwindowname "$window" 2>/dev/null || true)
        [ "$seen" = "$expected" ] && { echo "title: $seen"; return; }
        [ $SECONDS -ge $deadline ] && fail "title is '$seen' where '$expected' was expected"
        sleep 0.1
    done
}

wait_for_size() {
    local expected=$1 deadline=$((SECONDS + 30)) WIDTH HEIGHT X Y SCREEN WINDOW
    while :; do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        [ "${WIDTH}x$HEIGHT" = "$expected" ] && { echo "size: $expected"; return; }
        [ $SECONDS -ge $deadline ] && fail "window is ${WIDTH}x$HEIGHT where $expected was expected"
        sleep 0.1
    done
}

wait_for_position() {
    local expected=$1 deadline=$((SECONDS + 30)) WIDTH HEIGHT X Y SCREEN WINDOW
    while :; do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        [ "$X,$Y" = "$expected" ] && { echo "position: $expected"; return; }
        [ $SECONDS -ge $deadline ] && fail "window is at $X,$Y where $expected was expected"
        sleep 0.1
    done
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
wait_for_position "$((start_x + 30)),$((start_y + 24))"

xdotool key Next
wait_for_title "e2e-2.pgm - Pelorama"
xdotool key End
wait_for_title "e2e-4.tga - Pelorama"
xdotool key Home
wait_for_title "e2e-1.bmp - Pelorama"
xdotool key f
wait_for_size 1024x768
xdotool key Escape

# Escape quits with exit code 0.
deadline=$((SECONDS + 30))
while kill -0 "$viewer_pid" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && fail "the viewer did not quit on Escape"
    sleep 0.1
done
status=0
wait "$viewer_pid" || status=$?
viewer_pid=
[ "$status" = 0 ] || fail "exit code $status instead of 0"
echo "quit with exit code 0"
