#!/usr/bin/env bash
# Installs what is missing, builds Turfpad and starts it. Without a JV-Link source folder set,
# its local JV-Link serves the demo programme of the current week ("JVデータ取得").
# Usage: scripts/run.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
build="${1:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build "$build" --target turfpad turfpad-cli turfpad_manual
exec "$build/bin/turfpad"
