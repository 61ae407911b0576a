#!/usr/bin/env bash
# Fresh machine to running program: installs what is needed, builds, starts the Vexmar simulator
# with plausible, changing values for the demo's labels on the demo project's port (127.0.0.1:5000)
# in the background, and starts Morvelin on your own copy of the demo project. The first run makes
# that copy from examples/vexmar-demo.dpro as
# ${XDG_DATA_HOME:-~/.local/share}/Morvelin/vexmar-demo.dpro; later runs keep it as it is, so what
# you save goes there, never into the example. The program starts only once the simulator listens;
# when the simulator cannot (its port is taken, say), the script says why and stops. The
# simulator stops when Morvelin exits. Arguments go to Morvelin instead (a project file of your
# own, for instance). VEXMARSIM=0 scripts/run.sh starts Morvelin alone, for a real controller.
# For tests: MORVELIN_BUILD_DIR names a built tree (no set-up, no build), MORVELIN_PROGRAM a
# command started in place of Morvelin, MORVELIN_DEMO_PORT the simulator's port.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ -n "${MORVELIN_BUILD_DIR:-}" ]; then
    dir="$MORVELIN_BUILD_DIR"
else
    "$root/scripts/setup.sh"
    dir="$("$root/scripts/build.sh" | tail -n 1)"
fi
program="${MORVELIN_PROGRAM:-$dir/bin/Morvelin}"
if [ -z "${MORVELIN_PROGRAM:-}" ] && [ ! -x "$program" ]; then
    echo "Built the shared code and drivers in $dir; the program itself is not part of this build yet."
    exit 0
fi

simulator="$dir/bin/vexmarsim"
demoPort="${MORVELIN_DEMO_PORT:-5000}"
example="$root/examples/vexmar-demo.dpro"
demoDir="${XDG_DATA_HOME:-$HOME/.local/share}/Morvelin"
demo="$demoDir/vexmar-demo.dpro"
args=("$@")
if [ ! -e "$demo" ]; then
    mkdir -p "$demoDir"
    cp "$example" "$demo"
    echo "Made your copy of the demo project: $demo"
fi
if [ "${VEXMARSIM:-1}" != "0" ] && [ -x "$simulator" ]; then
    simLog="$(mktemp -d)"
    "$simulator" --udp "$demoPort" --demo "$demo" >"$simLog/out" 2>"$simLog/err" &
    simPid=$!
    trap 'kill "$simPid" 2>/dev/null || true; rm -rf "$simLog"' EXIT
    # The simulator prints its ready line once it listens; it is quick, 10 s is plenty.
    for _ in $(seq 1 100); do
        grep -q '^vexmarsim ready' "$simLog/out" && break
        kill -0 "$simPid" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q '^vexmarsim ready' "$simLog/out"; then
        cat "$simLog/err" >&2
        if grep -q 'cannot listen' "$simLog/err"; then
            echo "The Vexmar simulator could not start: UDP port $demoPort of 127.0.0.1, the" \
                "demo project's port, is in use by another program (an earlier run still going?" \
                "'ss -ulpn sport = :$demoPort' names it). Stop that program and run this again," \
                "or start Morvelin alone with VEXMARSIM=0 $0." >&2
        else
            echo "The Vexmar simulator did not start (see above); Morvelin was not started." >&2
        fi
        exit 1
    fi
    # The port it listens on, as the ready line "vexmarsim ready udp 127.0.0.1:<port>" gives it.
    listening="$(grep -m 1 '^vexmarsim ready' "$simLog/out" | sed 's/.*://')"
    echo "Vexmar simulator on 127.0.0.1:$listening (process $simPid)."
    # With nothing else asked for, the program opens the demo project bound to this simulator.
    if [ $# -eq 0 ]; then
        args=("$demo")
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
