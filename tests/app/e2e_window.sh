#!/usr/bin/env bash
# End-to-end: starts the real viewer on a bitmap under a virtual X server, waits for its
# window, finds the bitmap's four coloured quadrants on the screen where the window is (the
# window takes the picture's size), then zooms, turns and flips it with the keypad.
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
echo "window $window"

# Polls the screen (the window's paints are on their way) until the window has the size and
# shows the four colours at its quadrants' centres (top left, top right, bottom left, bottom
# right).
expect_quadrants() {
    local size=$1 expected=$2 deadline=$((SECONDS + 60)) seen=
    while :; do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        if [ "${WIDTH}x$HEIGHT" = "$size" ]; then
            xwd -root -silent >"$work/screen.xwd"
            seen=$("$probe" "$work/screen.xwd" $((X + WIDTH / 4)) $((Y + HEIGHT / 4)) \
                $((X + 3 * WIDTH / 4)) $((Y + HEIGHT / 4)) $((X + WIDTH / 4)) \
                $((Y + 3 * HEIGHT / 4)) $((X + 3 * WIDTH / 4)) $((Y + 3 * HEIGHT / 4)) |
                tr '\n' ' ' | sed 's/ $//')
            [ "$seen" = "$expected" ] && break
        fi
        if [ $SECONDS -ge $deadline ]; then
            echo "the window is ${WIDTH}x$HEIGHT showing $seen where $size showing $expected" \
                "was expected"
            exit 1
        fi
        sleep 0.2
    done
    echo "window ${WIDTH}x$HEIGHT shows $seen"
}

# Red, green over blue, yellow.
expect_quadrants 40x20 "FF0000 00FF00 0000FF FFFF00"
echo "picture found on screen"

# The keypad with NumLock on, as a user's: zoom, turns and flips. Keypad + zooms by 1.5 and
# keypad - back; 9 turns clockwise, 7 back; 5 flips horizontally, 8 vertically. The keys go by
# their codes in the evdev keymap: by name, xdotool would toggle NumLock around each digit.
setxkbmap -rules evdev -model pc105 -layout us
xdotool key Num_Lock
declare -A keycode=([KP_Add]=86 [KP_Subtract]=82 [KP_5]=84 [KP_7]=79 [KP_8]=80 [KP_9]=81)
keypad() { xdotool key "${keycode[$1]}"; }
xdotool windowfocus --sync "$window"
keypad KP_Add
expect_quadrants 60x30 "FF0000 00FF00 0000FF FFFF00"
keypad KP_Subtract
expect_quadrants 40x20 "FF0000 00FF00 0000FF FFFF00"
keypad KP_9
expect_quadrants 20x40 "0000FF FF0000 FFFF00 00FF00"
keypad KP_7
expect_quadrants 40x20 "FF0000 00FF00 0000FF FFFF00"
keypad KP_5
expect_quadrants 40x20 "00FF00 FF0000 FFFF00 0000FF"
keypad KP_8
expect_quadrants 40x20 "FFFF00 0000FF 00FF00 FF0000"
