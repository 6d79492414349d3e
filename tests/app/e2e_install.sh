#!/usr/bin/env bash
# Installs the build tree into a scratch DESTDIR, checks the installed tree and what the
# desktop makes of it, then starts the installed viewer under a virtual X server, deletes a
# picture into the scratch XDG_DATA_HOME's trash and brings it back, and checks that its
# settings go to the scratch XDG_CONFIG_HOME, not beside the installed program.
#   e2e_install.sh BUILD_DIR APP_ID PICTURE
set -euo pipefail
build=$1 app_id=$2 picture=$3

source "$(dirname "$0")/e2e_display.sh"

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" ||
    fail "cmake --install failed: $(cat "$work/install.log")"
usr="$work/root/usr"
for file in bin/pelorama bin/pelorama-decode share/pelorama/pic_err.jpg \
    "share/applications/$app_id.desktop" "share/icons/hicolor/scalable/apps/$app_id.svg" \
    share/man/man1/pelorama.1 "share/metainfo/$app_id.metainfo.xml"; do
    [ -s "$usr/$file" ] || fail "missing from the installed tree: $file"
done
[ -x "$usr/bin/pelorama" ] && [ -x "$usr/bin/pelorama-decode" ] || fail "programs not executable"
echo "installed tree complete"

entry="$usr/share/applications/$app_id.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
appstreamcli validate --no-net "$usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli rejects the metadata"
groff -man -ww -z "$usr/share/man/man1/pelorama.1" 2>"$work/groff.log" &&
    [ ! -s "$work/groff.log" ] || fail "the manual page has faults: $(cat "$work/groff.log")"

# The desktop's own tools offer the viewer for the formats people open most.
update-desktop-database "$usr/share/applications"
for type in image/jpeg image/png image/tiff image/gif image/bmp; do
    grep -q "^MimeType=.*$type;" "$entry" || fail "the entry does not list $type"
    handler=$(env XDG_DATA_DIRS="$usr/share" XDG_DATA_HOME="$work/data" \
        XDG_CONFIG_HOME="$work/empty-config" XDG_CURRENT_DESKTOP=X-Generic \
        xdg-mime query default "$type")
    [ "$handler" = "$app_id.desktop" ] || fail "xdg-mime offers '$handler' for $type"
done
echo "offered for JPEG, PNG, TIFF, GIF and BMP"

# The installed viewer on a picture, and on a broken one beside it: the installed error
# picture (200 x 80) stands in for it, not the black square of a viewer that lacks it.
# Settings kept from an earlier run turn saving on.
mkdir -p "$work/pics" "$work/config/pelorama"
printf 'Filtering=0\n' >"$work/config/pelorama/pelorama.ini"
cp "$picture" "$work/pics/e2e-1.bmp"
printf 'BM broken' >"$work/pics/e2e-2.bmp"
XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb "$usr/bin/pelorama" \
    "$work/pics/e2e-1.bmp" >"$work/viewer.log" 2>&1 &
viewer_pid=$!
window=$(timeout 60 xdotool search --sync --name '^e2e-1\.bmp - Pelorama$' | head -n 1) || true
[ -n "$window" ] || fail "no window of the installed viewer appeared"
xdotool windowfocus --sync "$window"
xdotool key Next
deadline=$((SECONDS + 30))
until [ "$(xdotool getwindowname "$window")" = "e2e-2.bmp - Pelorama" ] &&
    xdotool getwindowgeometry "$window" | grep -q 'Geometry: 200x80'; do
    [ $SECONDS -ge $deadline ] && fail "the broken picture did not show the installed error picture"
    sleep 0.1
done
echo "the installed viewer showed the picture, then its error picture"

# Delete, answered Yes (the question's default button), puts the file in the trash; Ctrl+Z
# brings it back, byte for byte, and shows it again.
wait_for_title() {
    local deadline=$((SECONDS + 30))
    until [ "$(xdotool getwindowname "$window")" = "$1" ]; do
        [ $SECONDS -ge $deadline ] && fail "$2"
        sleep 0.1
    done
}
xdotool key Delete
deadline=$((SECONDS + 30)) question=
until [ -n "$question" ]; do
    [ $SECONDS -ge $deadline ] && fail "Delete asked nothing"
    sleep 0.1
    question=$(xdotool search --onlyvisible --pid "$viewer_pid" --name '' | grep -vx "$window" |
        head -n 1) || true
done
xdotool windowfocus --sync "$question" key Return
wait_for_title "e2e-1.bmp - Pelorama" "the deleted picture's neighbour was not shown"
[ ! -e "$work/pics/e2e-2.bmp" ] && [ -f "$work/data/Trash/files/e2e-2.bmp" ] &&
    grep -q "^Path=$work/pics/e2e-2.bmp$" "$work/data/Trash/info/e2e-2.bmp.trashinfo" ||
    fail "Delete did not move the file to \$XDG_DATA_HOME/Trash with its record"
xdotool windowfocus --sync "$window" key ctrl+z
wait_for_title "e2e-2.bmp - Pelorama" "Ctrl+Z did not show the restored picture"
[ "$(cat "$work/pics/e2e-2.bmp")" = "BM broken" ] && [ ! -e "$work/data/Trash/files/e2e-2.bmp" ] ||
    fail "Ctrl+Z did not put the file back as it was"
echo "Delete moved the picture to the trash, Ctrl+Z brought it back"
quit_viewer

# Loaded from there, hence saved there at exit, in the viewer's own layout.
settings="$work/config/pelorama/pelorama.ini"
grep -q $'^\\[General\\]\r$' "$settings" && grep -q $'^Filtering=0\r$' "$settings" ||
    fail "the settings were not written to $settings: $(cat -A "$settings")"
[ ! -e "$usr/bin/pelorama.ini" ] || fail "settings were written beside the installed program"
echo "settings kept in \$XDG_CONFIG_HOME/pelorama/pelorama.ini"
