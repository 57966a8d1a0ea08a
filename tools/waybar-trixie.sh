#!/usr/bin/env bash
# Runs the sway tests (the backend's, and the waybar tray's with the Release
# binary) on Debian 13's sway 1.10 and waybar 0.12, from the root
# tools/trixie-root.sh builds (sway, waybar and foot added to it). Not part of
# tools/test.sh.
# Usage: waybar-trixie.sh [TEST BUILD FOLDER, default build-asan]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
root=$(bash tools/trixie-root.sh sway waybar foot)
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNIC_BUILD_TESTS=OFF \
  -DVARNIC_WERROR=ON >/dev/null
cmake --build build-release --target varnic
cmake --build "$build" --target sway_tests sway_tray_tests
export VARNIC_SWAY_ROOT=$root VARNIC_BINARY=$PWD/build-release/app/varnic
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
for tests in sway_tests sway_tray_tests; do
  bash tests/wayland/as-test-user.sh "$build/tests/sway/$tests"
done
