#!/usr/bin/env bash
# Configures and builds Morvelin. Usage: scripts/build.sh [--sanitize]
# Builds into build/ (or build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build"
flags=()
if [ "${1:-}" = "--sanitize" ]; then
    dir="$root/build-asan"
    flags+=(-DMORVELIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S "$root" -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
echo "$dir"
