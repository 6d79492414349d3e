# Sourced by the end-to-end tests: runs the calling script again under a virtual X server
# (1024 x 768) and gives it a scratch directory $work, removed at exit together with the
# viewer started as $viewer_pid.
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
