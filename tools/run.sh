#!/usr/bin/env bash
# Sets up the machine, builds Varnic and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
echo "Varnic's tray program is not built yet; the core library and its tests are."
