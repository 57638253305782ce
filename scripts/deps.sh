#!/usr/bin/env bash
# Installs the Debian packages Turfpad needs to build, test and run, if any is missing.
# Usage: scripts/deps.sh [extra package...]
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-translations-l10n libgl-dev
    fonts-ipafont-gothic
    librsvg2-bin
    fonts-ipafont-gothic fonts-noto-cjk
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
