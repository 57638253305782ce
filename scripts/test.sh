#!/usr/bin/env bash
# Installs what is missing, builds Turfpad and runs every test.
# Usage: scripts/test.sh [build folder] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTURFPAD_WERROR=ON -DTURFPAD_BENCH=ON "$@"
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2
