#!/usr/bin/env bash
# First picture on screen: the time from starting a viewer on a picture until its window with
# the picture exists (is mapped), Pelorama against feh in the same run, under a virtual
# 1920 x 1080 X server without a window manager. Each viewer is started RUNS times, taking
# turns; the best time of each is printed. Both map their window once the picture is ready
# to paint, so the same probe serves both: xdotool polled every 5 ms.
#   bench/first_view.sh [VIEWER] [PICTURE] [RUNS]
# Defaults: build/src/app/pelorama, the 24 MP JPEG of bench/make-pictures.sh, 3 runs.
set -euo pipefail
cd "$(dirname "$0")/.."
viewer=$(realpath "${1:-build/src/app/pelorama}")
picture=${2:-build/bench-pictures/24mp/jpeg-420.jpg}
runs=${3:-3}
[ -e "$picture" ] || bash bench/make-pictures.sh
picture=$(realpath "$picture")
command -v feh >/dev/null || { echo "feh is not installed (scripts/deps.sh)"; exit 1; }

screen=1920x1080x24
source tests/app/e2e_display.sh
# Neither viewer may find settings or a configuration of the user's.
export HOME=$work XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb

# time_to_window NAME COMMAND...: milliseconds until a visible window titled with the
# picture's file name exists; the viewer is ended afterwards.
time_to_window() {
    local start now pid
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name "$(basename "$picture")" >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then echo "$1 ended without a window" >&2; exit 1; fi
        sleep 0.005
    done
    now=$(date +%s%N)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo $(((now - start) / 1000000))
}

best_ours=
best_feh=
for ((run = 1; run <= runs; ++run)); do
    ours=$(time_to_window "$viewer" "$picture")
    theirs=$(time_to_window feh "$picture")
    echo "run $run: pelorama $ours ms, feh $theirs ms"
    [ -z "$best_ours" ] || [ "$ours" -lt "$best_ours" ] && best_ours=$ours
    [ -z "$best_feh" ] || [ "$theirs" -lt "$best_feh" ] && best_feh=$theirs
done
echo "best of $runs: pelorama $best_ours ms, feh $best_feh ms ($(basename "$picture"))"
