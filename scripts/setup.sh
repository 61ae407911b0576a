#!/usr/bin/env bash
# Installs every Debian package Morvelin needs to build, run and test. Non-interactive; safe to re-run.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite libqt5charts5-dev libqt5serialport5-dev
    qttools5-dev qttools5-dev-tools qttranslations5-l10n
    libmosquitto-dev mosquitto libxlsxwriter-dev zlib1g-dev
    socat python3 python3-openpyxl xvfb xauth fonts-wqy-microhei openbox trayer xdotool
    libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    export DEBIAN_FRONTEND=noninteractive
    # Another installer (an unattended upgrade, a second build) may hold the package lock:
    # wait for it up to 10 minutes instead of failing at once.
    lock=(-o DPkg::Lock::Timeout=600)
    $sudo_cmd apt-get "${lock[@]}" update -q
    $sudo_cmd apt-get "${lock[@]}" install -y -q --no-install-recommends "${missing[@]}"
fi

# Per-area extras (test peers and the like) live beside this script.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
for extra in "$here"/setup.d/*.sh; do
    [ -f "$extra" ] && bash "$extra"
done
exit 0
