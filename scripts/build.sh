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
# Progress goes to standard error, so that a caller taking the folder from standard output
# still shows the build as it goes; the first build takes some minutes.
echo "Building Morvelin in $dir ..." >&2
cmake -S "$root" -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" >&2
echo "$dir"
