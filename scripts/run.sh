#!/usr/bin/env bash
# Fresh machine to running program: installs what is needed, builds, and starts Morvelin.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
dir="$("$root/scripts/build.sh" | tail -n 1)"
program="$dir/bin/Morvelin"
if [ ! -x "$program" ]; then
    echo "Built the shared code and drivers in $dir; the program itself is not part of this build yet."
    exit 0
fi
cd "$dir/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Morvelin under a virtual X server (xvfb-run)."
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
