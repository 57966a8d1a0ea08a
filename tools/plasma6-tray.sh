#!/usr/bin/env bash
# Varnic's tray in a real Plasma 6 panel: the Plasma tray test (tests/plasma)
# with Debian 13's KWin, plasmashell, kded6 and Qt 6 with plasma-integration,
# from the root tools/trixie-root.sh builds (Varnic runs inside it too). Kept
# out of tools/test.sh: Plasma 6's desktop adds about a gigabyte to the root.
# Usage: plasma6-tray.sh [BUILD FOLDER]   (default build-asan, configured as test.sh does)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}

bash tools/trixie-root.sh plasma-workspace plasma-desktop kactivitymanagerd kded6 \
  plasma-integration qt6-wayland libasan8 libubsan1 libxcb-ewmh2 libxcb-icccm4 libxcb-res0 \
  libmd4c0 >/dev/null
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVARNIC_SANITIZE=ON -DVARNIC_WERROR=ON >/dev/null
cmake --build "$build" --target plasma_tests
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 VARNIC_PLASMA=6 \
  bash tests/wayland/as-test-user.sh "$build/tests/plasma/plasma_tests"
