#!/usr/bin/env bash
# Runs a command the way a desktop session would run it, for tests of Wayland
# compositors: as an unprivileged user (compositors refuse to run as root; CI
# runs as root), with a fresh XDG_RUNTIME_DIR of mode 0700 and a private
# session bus (dbus-run-session). The session's own variables (DISPLAY,
# WAYLAND_DISPLAY, SWAYSOCK, I3SOCK) are cleared so nothing reaches a desktop
# outside the test. SHELL names a working shell: the test user's login shell is
# nologin, and a terminal such as foot runs SHELL and closes when it exits.
# The folder is removed afterwards, kept when the command fails.
# Usage: as-test-user.sh COMMAND [ARGUMENT...]
# Environment: VARNIC_TEST_USER, the user to run as when root (default varnictest).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGUMENT...]" >&2; exit 2; }

user=${VARNIC_TEST_USER:-varnictest}
base=$(mktemp -d /tmp/varnic-session-XXXXXX)
mkdir -p "$base/runtime" "$base/home"
chmod 0700 "$base/runtime"
chmod 0755 "$base"

run_as=()
if [ "$(id -u)" -eq 0 ]; then
  # Several test programs may start at once: a user that another one just
  # created is as good as one created here.
  id -u "$user" >/dev/null 2>&1 ||
    useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null ||
    id -u "$user" >/dev/null
  chown -R "$user:" "$base/runtime" "$base/home"
  run_as=(runuser -u "$user" --)
fi

status=0
"${run_as[@]}" env -u DISPLAY -u WAYLAND_DISPLAY -u SWAYSOCK -u I3SOCK \
  -u DBUS_SESSION_BUS_ADDRESS -u XDG_SESSION_TYPE -u XDG_CURRENT_DESKTOP \
  SHELL=/bin/sh HOME="$base/home" XDG_RUNTIME_DIR="$base/runtime" XDG_CONFIG_HOME="$base/home/.config" \
  XDG_CACHE_HOME="$base/home/.cache" VARNIC_SESSION_DIR="$base/home" \
  dbus-run-session -- "$@" || status=$?

if [ "$status" -eq 0 ]; then
  rm -rf "$base"
else
  echo "as-test-user: '$*' exited with $status; logs kept in $base" >&2
fi
exit "$status"
