# Sourced by the end-to-end tests (and bench/first_view.sh): starts a virtual X server
# (1024 x 768, or $screen) for the calling script and gives it a scratch directory $work,
# removed at exit together with the server and the viewer started as $viewer_pid.
work=$(mktemp -d)
viewer_pid=
server_pid=
cleanup() {
    [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null || true
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The server takes a free display itself and names it once it accepts clients, so tests run
# side by side cannot meet on one display (xvfb-run -a can pick the same number twice). It
# keeps its state (keymap, NumLock) when a client such as xdotool disconnects.
Xvfb -displayfd 3 -screen 0 "${screen:-1024x768x24}" -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/server.log" &
server_pid=$!
server_deadline=$((SECONDS + 60))
until [ -s "$work/display" ]; do
    if ! kill -0 "$server_pid" 2>/dev/null || [ $SECONDS -ge $server_deadline ]; then
        echo "the virtual X server did not start"; cat "$work/server.log"; exit 1
    fi
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"

# Fails the test with the message and what the viewer printed.
fail() {
    echo "$1"
    [ -f "$work/viewer.log" ] && cat "$work/viewer.log"
    exit 1
}

# Presses Escape and waits for the viewer to quit with exit code 0.
quit_viewer() {
    xdotool key Escape
    local deadline=$((SECONDS + 30)) status=0
    while kill -0 "$viewer_pid" 2>/dev/null; do
        [ $SECONDS -ge $deadline ] && fail "the viewer did not quit on Escape"
        sleep 0.1
    done
    wait "$viewer_pid" || status=$?
    viewer_pid=
    [ "$status" = 0 ] || fail "exit code $status instead of 0"
    echo "quit with exit code 0"
}
