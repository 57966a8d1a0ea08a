#!/usr/bin/env bash
# Installs the Debian packages Varnic needs, by set:
#   run    building and running the program
#   demo   the private demo desktop that run.sh starts when there is no display
#   test   the tests, the benchmarks, the linters and the package checks
# Usage: setup.sh [SET...]   (no argument: all three)
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

run=(
  cmake g++ pkg-config ninja-build qt6-base-dev libgl-dev
  libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-res0-dev
  librsvg2-bin xdg-utils
)
demo=(
  xvfb openbox tint2 xdotool x11-utils x11-apps xterm imagemagick fonts-dejavu-core
)
test=(
  "${demo[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev clang-format clang-tidy
  wmctrl desktop-file-utils appstream lintian libglib2.0-bin dbus-x11 locales-all
  clang libclang-rt-14-dev libicu-dev  # the fuzz targets (tests/fuzz/run.sh)
  # sway and i3 through their IPC; Wayland test sessions (tests/wayland, tests/sway, tests/i3)
  nlohmann-json3-dev sway i3-wm xwayland foot gtk-3-examples dbus-bin
  # a real StatusNotifierItem host clicked by a virtual pointer (tests/sway)
  waybar wtype libwayland-dev grim  # grim: bench/tray-latency.py's screenshots
  # GNOME Shell: the extension's tests (headless shell, native Wayland clients) and debootstrap for the GNOME 48 root
  gnome-shell python3-gi gir1.2-gtk-3.0 dconf-service util-linux debootstrap
  # the distribution's tray host for GNOME Shell, clicked in tests/gnome/tray.py
  gnome-shell-extension-appindicator
  # KDE Plasma through KWin scripting (platform/kwin, tests/kwin); Plasma 6 comes from tools/trixie-root.sh
  kwin-wayland qdbus-qt5
  # Plasma 5.27's panel as a real tray host, clicked through KWin's fake input (tests/plasma)
  plasma-workspace plasma-desktop qtwayland5 kded5 kactivitymanagerd plasma-wayland-protocols
  # xfce4-panel's tray (XEmbed and StatusNotifierItem host) under xfwm4, clicked in tests/xfce
  xfce4-panel xfwm4
)

[ $# -eq 0 ] && set -- run demo test
packages=()
for set in "$@"; do
  case $set in
    run) packages+=("${run[@]}") ;;
    demo) packages+=("${demo[@]}") ;;
    test) packages+=("${test[@]}") ;;
    *) echo "setup: unknown set '$set' (run, demo, test)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another apt (an upgrade, another script) may hold the lock: wait for it.
apt=(apt-get -qq -o DPkg::Lock::Timeout=300)
[ "$(id -u)" -ne 0 ] && apt=(sudo "${apt[@]}")
"${apt[@]}" update
"${apt[@]}" install -y --no-install-recommends "${missing[@]}" >/dev/null
