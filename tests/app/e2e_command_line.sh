#!/usr/bin/env bash
# The real viewer's command line and its start without a display: exit code, and the first
# line it prints on the stream named, for each case.
#   e2e_command_line.sh VIEWER PICTURE
set -uo pipefail
viewer=$1 picture=$2

failures=0
# expected code | stream | first line (a grep -E pattern) | environment changes | arguments
check() {
    local code=$1 stream=$2 pattern=$3 environment=$4
    shift 4
    local out err status
    out=$(mktemp) err=$(mktemp)
    # shellcheck disable=SC2086
    timeout 60 env $environment "$viewer" "$@" >"$out" 2>"$err" </dev/null
    status=$?
    local first
    first=$(head -n 1 "$([ "$stream" = stdout ] && echo "$out" || echo "$err")")
    if [ "$status" != "$code" ] || ! grep -Eq -- "$pattern" <<<"$first"; then
        echo "FAIL: $* ($environment): exit $status, $stream starts '$first'" \
             "where $code and /$pattern/ were expected"
        failures=$((failures + 1))
    else
        echo "ok: $* -> $code, $first"
    fi
    rm -f "$out" "$err"
}

no_x="-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"
check 0 stdout '^Usage: pelorama ' "$no_x" --help
check 0 stdout '^Usage: pelorama ' "$no_x" -h
check 0 stdout '^pelorama [0-9]+\.[0-9]+' "$no_x" --version
check 2 stderr "^pelorama: unknown option '--bogus'$" "$no_x" --bogus "$picture"
check 2 stderr "^pelorama: unknown option '-platform'$" "$no_x" -platform offscreen
check 1 stderr '^pelorama: no X display \(DISPLAY is not set\)' "$no_x" "$picture"
check 1 stderr '^pelorama: no X display: this Wayland session has no XWayland' \
    "$no_x WAYLAND_DISPLAY=wayland-pelorama-test" "$picture"
check 1 stderr '^pelorama: cannot open the X display ":65000"$' \
    "-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:65000" "$picture"

# After the complaint comes the usage, on standard error too.
complaint=$("$viewer" --bogus 2>&1 >/dev/null)
if ! grep -q '^Usage: pelorama ' <<<"$complaint"; then
    echo "FAIL: --bogus prints no usage on standard error"
    failures=$((failures + 1))
fi

[ "$failures" = 0 ] || exit 1
