#!/usr/bin/env bash
# Builds Morvelin and runs every test. Usage: scripts/test.sh [--sanitize] [ctest arguments]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode=()
if [ "${1:-}" = "--sanitize" ]; then
    mode=(--sanitize)
    shift
fi
dir="$("$root/scripts/build.sh" "${mode[@]}" | tail -n 1)"
cd "$dir"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@"
