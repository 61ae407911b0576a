#!/usr/bin/env bash
# Runs a test program on a virtual X server of its own, on Qt's xcb platform: unlike offscreen,
# a real X server holds a window to its minimum size, so what does not fit the screen shows.
# Usage: xvfb-run-test.sh WIDTHxHEIGHTxDEPTH program [arguments]
# Xvfb picks a free display number itself (-displayfd), so tests run side by side.
set -euo pipefail
screen="$1"
shift
work="$(mktemp -d)"
xvfbPid=""
cleanup() {
    if [ -n "$xvfbPid" ]; then
        kill "$xvfbPid" 2>/dev/null || true
        wait "$xvfbPid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
xvfbPid=$!
# The display number is written once the server accepts clients (10 s at most).
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfbPid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb
"$@"
