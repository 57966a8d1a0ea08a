#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Varnic needs.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  # build
  cmake g++ pkg-config ninja-build qt6-base-dev libgl-dev
  libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-res0-dev
  libgtest-dev libgmock-dev libbenchmark-dev clang-format clang-tidy
  # tests and the demo desktop
  xvfb openbox tint2 xdotool wmctrl x11-utils x11-apps xterm imagemagick
  fonts-dejavu-core desktop-file-utils libglib2.0-bin dbus-x11 locales-all
  # sway and i3 through their IPC; Wayland test sessions (tests/wayland, tests/sway, tests/i3)
  nlohmann-json3-dev sway i3-wm xwayland foot gtk-3-examples dbus-bin
  # KDE Plasma through KWin scripting (platform/kwin, tests/kwin); Plasma 6 comes from tools/trixie-root.sh
  kwin-wayland qdbus-qt5 x11-apps xwayland gtk-3-examples debootstrap util-linux
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
