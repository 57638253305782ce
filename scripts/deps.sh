#!/usr/bin/env bash
# Installs the Debian packages Turfpad needs to build, test and run, if any is missing.
# Usage: scripts/deps.sh [extra package...]
#        scripts/deps.sh --update-only      (only updates the package lists)
# Exit status 0 when every package is installed afterwards, else apt-get's.
set -euo pipefail

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# A mirror caught in the middle of a sync serves an index that does not match its Release file
# for a while, and apt-get update then fails for that one list. It is tried again a few times;
# when it still fails the lists that did arrive are used, and apt-get install says which
# package cannot be had, if any.
update_lists() {
    local try
    for try in 1 2 3; do
        $sudo apt-get update -q && return 0
        if [ "$try" -lt 3 ]; then
            echo "apt-get update failed (try $try of 3): trying again in $((try * 10)) s" >&2
            sleep $((try * 10))
        fi
    done
    echo "apt-get update failed 3 times: going on with the package lists that did arrive" >&2
}

if [ "${1:-}" = --update-only ]; then
    update_lists
    exit 0
fi

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev libxcb1-dev
    qt6-base-dev qt6-translations-l10n libgl-dev libfontconfig-dev
    librsvg2-bin
    fonts-ipafont-gothic fonts-noto-cjk
    strace
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
update_lists
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
