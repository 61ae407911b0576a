#!/usr/bin/env bash
# Fresh machine to running program: installs what is needed, builds, starts the Vexmar simulator
# with changing values on the demo project's port (examples/vexmar-demo.dpro, 127.0.0.1:5000)
# in the background, and starts Morvelin. The simulator stops when Morvelin exits.
# VEXMARSIM=0 scripts/run.sh starts Morvelin alone, for a real controller.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
dir="$("$root/scripts/build.sh" | tail -n 1)"
program="$dir/bin/Morvelin"
if [ ! -x "$program" ]; then
    echo "Built the shared code and drivers in $dir; the program itself is not part of this build yet."
    exit 0
fi

simulator="$dir/bin/vexmarsim"
demoPort=5000
if [ "${VEXMARSIM:-1}" != "0" ] && [ -x "$simulator" ]; then
    "$simulator" --udp "$demoPort" --pattern --changing &
    simPid=$!
    trap 'kill "$simPid" 2>/dev/null || true' EXIT
    echo "Vexmar simulator on 127.0.0.1:$demoPort (process $simPid); open $root/examples/vexmar-demo.dpro."
fi

cd "$dir/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Morvelin under a virtual X server (xvfb-run)."
    xvfb-run -a "$program" "$@"
else
    "$program" "$@"
fi
