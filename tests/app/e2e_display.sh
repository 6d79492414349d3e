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
