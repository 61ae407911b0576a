#!/usr/bin/env bash
# What the S7 tests need: node-snap7 (the Snap7 server), built from source into tools/s7peer.
# Non-interactive; does nothing when it is already built.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
dir="$root/tools/s7peer"
addon="$dir/node_modules/node-snap7/build/Release/node_snap7.node"
[ -f "$addon" ] && exit 0

# A node from elsewhere may already be here; Debian's nodejs would conflict with it.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    export DEBIAN_FRONTEND=noninteractive
    # Wait for a package lock another installer holds, as setup.sh does.
    lock=(-o DPkg::Lock::Timeout=600)
    $sudo_cmd apt-get "${lock[@]}" update -q
    $sudo_cmd apt-get "${lock[@]}" install -y -q --no-install-recommends nodejs npm libnode-dev
fi

cd "$dir"
npm install --nodedir=/usr --no-package-lock --no-audit --no-fund
# Newer npm may hold back install scripts; build the addon explicitly then.
[ -f "$addon" ] || npm rebuild node-snap7 --nodedir=/usr
[ -f "$addon" ] || { echo "s7.sh: node-snap7 did not build" >&2; exit 1; }
