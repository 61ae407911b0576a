#!/usr/bin/env bash
# Fresh machine to running program: installs what is needed, builds, starts the Vexmar simulator
# with plausible, changing values for the demo's labels on the demo project's port (examples/vexmar-demo.dpro, 127.0.0.1:5000)
# in the background, and starts Morvelin on the demo project. The simulator stops when Morvelin
# exits. Arguments go to Morvelin instead (a project file of your own, for instance).
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
args=("$@")
if [ "${VEXMARSIM:-1}" != "0" ] && [ -x "$simulator" ]; then
    "$simulator" --udp "$demoPort" --demo "$root/examples/vexmar-demo.dpro" &
    simPid=$!
    trap 'kill "$simPid" 2>/dev/null || true' EXIT
    echo "Vexmar simulator on 127.0.0.1:$demoPort (process $simPid)."
    # With nothing else asked for, the program opens the demo project bound to this simulator.
    if [ $# -eq 0 ]; then
        args=("$root/examples/vexmar-demo.dpro")
        echo "Opening ${args[0]}: press 开始监视 (Start Monitoring)."
    fi
fi

# Started from here, so that a project path given relative to this directory is found; the
# program enters its own folder by itself.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Morvelin under a virtual X server (xvfb-run)."
    xvfb-run -a "$program" "${args[@]}"
else
    "$program" "${args[@]}"
fi
