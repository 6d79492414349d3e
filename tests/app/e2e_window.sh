#!/usr/bin/env bash
# End-to-end: starts the real viewer on a bitmap under a virtual X server, waits for its
# window and finds the bitmap's four coloured quadrants on the screen where the window is.
#   e2e_window.sh VIEWER XWD_PIXEL QUADRANTS_BMP
set -euo pipefail
viewer=$1 probe=$2 picture=$3

source "$(dirname "$0")/e2e_display.sh"

# The same bitmap under a name of our own, so that the title search cannot meet anything else.
cp "$picture" "$work/e2e-quadrants.bmp"
QT_QPA_PLATFORM=xcb "$viewer" "$work/e2e-quadrants.bmp" >"$work/viewer.log" 2>&1 &
viewer_pid=$!

window=$(timeout 60 xdotool search --sync --name '^e2e-quadrants\.bmp - Pelorama$' | head -n 1)
if [ -z "$window" ]; then
    echo "no viewer window appeared"; cat "$work/viewer.log"; exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $window at $X,$Y size ${WIDTH}x$HEIGHT"
if [ "$WIDTH" != 40 ] || [ "$HEIGHT" != 20 ]; then
    echo "expected the window to take the picture's size, 40x20"; exit 1
fi

# Quadrant centres: red, green over blue, yellow.
expected="FF0000 00FF00 0000FF FFFF00"
deadline=$((SECONDS + 60))
while :; do
    xwd -root -silent >"$work/screen.xwd"
    seen=$("$probe" "$work/screen.xwd" $((X + 10)) $((Y + 5)) $((X + 30)) $((Y + 5)) \
        $((X + 10)) $((Y + 15)) $((X + 30)) $((Y + 15)) | tr '\n' ' ' | sed 's/ $//')
    [ "$seen" = "$expected" ] && break
    if [ $SECONDS -ge $deadline ]; then
        echo "screen shows $seen where $expected was expected"; exit 1
    fi
    sleep 0.2 # the window is mapped; its first paint is on its way
done
echo "picture found on screen: $seen"
