#!/usr/bin/env bash
# Sets up the machine, builds the program (no tests, no benchmarks) and starts it.
# Without a display (or with --demo) it first starts a private demo desktop:
# Xvfb, openbox, a tray and two sample windows, all stopped again when Varnic quits.
set -euo pipefail
cd "$(dirname "$0")/.."

demo=false
if [ -z "${DISPLAY:-}" ] || [ "${1:-}" = "--demo" ]; then demo=true; fi

if $demo; then bash tools/setup.sh run demo; else bash tools/setup.sh run; fi
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNIC_BUILD_TESTS=OFF >/dev/null
cmake --build build-run

if $demo; then
  source tools/desktop/session.sh
  trap desktop_stop EXIT
  desktop_start_x
  desktop_start_wm
  desktop_start_tray
  desktop_spawn xlogo -geometry 400x300+100+100
  desktop_spawn xterm -geometry 80x24+600+150
  cat <<MSG
Varnic runs on a private demo desktop, DISPLAY=$DISPLAY. To look at it:
  DISPLAY=$DISPLAY import -window root /tmp/varnic-desktop.png   (a screenshot)
  x11vnc -display $DISPLAY -localhost -nopw                      (live, if x11vnc is installed)
The tray is at the bottom right; try it with xdotool, for example:
  DISPLAY=$DISPLAY xdotool search --class xlogo windowactivate
Quit Varnic from its tray menu or with Ctrl+C here.
MSG
fi

build-run/app/varnic
