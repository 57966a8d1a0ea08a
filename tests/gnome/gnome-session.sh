#!/usr/bin/env bash
# Runs a command inside a headless GNOME Shell session of its own:
# - as an unprivileged user (the shell will not run as root), with a fresh
#   home and XDG_RUNTIME_DIR;
# - in a private mount namespace where /run/systemd is an empty tmpfs, or the
#   shell would look for logind and stop;
# - with a session bus and a second one standing in for the system bus;
# - with the extension folders given installed for the user, and UUIDs
#   installed system-wide with --enable, all enabled.
# With --trixie the shell and its buses run from the Debian 13 root that
# tools/trixie-root.sh builds ($VARNIC_TRIXIE_ROOT, else its default folder),
# chrooted; the command runs outside it, reaching them through the shared
# runtime folder. Without the root's shell the run is skipped (77).
# The command gets WAYLAND_DISPLAY, DISPLAY (the shell's Xwayland),
# DBUS_SESSION_BUS_ADDRESS and VARNIC_SHELL_LOG (the shell's output).
# Usage: gnome-session.sh [--trixie] [--enable UUID]... EXTENSION_DIR... -- COMMAND [ARGUMENT...]
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "gnome-session: needs root for its mount namespace" >&2; exit 2; }
# Everything runs in a mount namespace of its own, which ends with it.
[ -n "${VARNIC_GNOME_UNSHARED:-}" ] ||
  VARNIC_GNOME_UNSHARED=1 exec unshare --mount --propagation private -- "$0" "$@"

root=/
extensions=()
uuids=()
while [ $# -gt 0 ]; do
  case $1 in
    --trixie) root=${VARNIC_TRIXIE_ROOT:-/var/cache/varnic/trixie-root}; shift ;;
    --enable) uuids+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) extensions+=("$1"); uuids+=("$(basename "$1")"); shift ;;
  esac
done
[ ${#extensions[@]} -ge 1 ] && [ $# -ge 1 ] || {
  echo "usage: $0 [--trixie] [--enable UUID]... EXTENSION_DIR... -- COMMAND [ARGUMENT...]" >&2
  exit 2; }
[ -x "$root/usr/bin/gnome-shell" ] || { echo "gnome-session: no GNOME Shell in $root" >&2; exit 77; }

user=${VARNIC_TEST_USER:-varnictest}
id -u "$user" >/dev/null 2>&1 ||
  useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null ||
  id -u "$user" >/dev/null
uid=$(id -u "$user")
gid=$(id -g "$user")

base=$(mktemp -d /tmp/varnic-gnome-XXXXXX)
runtime=$base/runtime
home=$base/home
mkdir -p "$runtime" "$home/.local/share/gnome-shell/extensions"
cp -r "${extensions[@]}" "$home/.local/share/gnome-shell/extensions/"
chmod 0700 "$runtime"
chmod 0755 "$base"
chown -R "$uid:$gid" "$runtime" "$home"

mkdir -p "$root/run/systemd"
mount -t tmpfs none "$root/run/systemd"
in_root=()
if [ "$root" != / ]; then
  for fs in proc sys dev; do mount --rbind "/$fs" "$root/$fs"; done
  mkdir -p "$root$base"
  mount --bind "$base" "$root$base"
  grep -q "^$user:" "$root/etc/passwd" || getent passwd "$user" >>"$root/etc/passwd"
  grep -q "^$user:" "$root/etc/group" || getent group "$user" >>"$root/etc/group"
  in_root=(chroot "$root")
fi

session_env=(
  HOME="$home" XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$home/.config"
  XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share"
  PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 XDG_SESSION_TYPE=wayland
  XDG_CURRENT_DESKTOP=GNOME
  DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus"
  DBUS_SYSTEM_BUS_ADDRESS="unix:path=$runtime/system-bus"
)
as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups env -i "${session_env[@]}")

pids=()
cleanup() {
  local status=$?
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  # A shell that was ended leaves its X displays' locks and sockets behind.
  for lock in "$root"/tmp/.X*-lock; do
    [ -f "$lock" ] && [ "$(tr -d ' \0' <"$lock")" = "${shell:-}" ] || continue
    number=${lock#"$root"/tmp/.X}
    rm -f "$lock" "$root/tmp/.X11-unix/X${number%-lock}"
  done
  # The root's mount point for the session's folder goes too.
  [ "$root" = / ] || { umount -l "$root$base" && rmdir "$root$base"; } 2>/dev/null || true
  if [ "$status" -eq 0 ]; then
    rm -rf "$base"
  else
    echo "gnome-session: exited with $status; logs kept in $base" >&2
  fi
}
trap cleanup EXIT

for bus in bus system-bus; do
  pids+=("$("${in_root[@]}" "${as_user[@]}" dbus-daemon --session --fork --print-pid \
    --address="unix:path=$runtime/$bus")")
done
"${in_root[@]}" "${as_user[@]}" gsettings set org.gnome.shell welcome-dialog-last-shown-version "'999'"
list=$(printf "'%s', " "${uuids[@]}")
"${in_root[@]}" "${as_user[@]}" gsettings set org.gnome.shell enabled-extensions "[${list%, }]"

display=wayland-varnic
"${in_root[@]}" "${as_user[@]}" gnome-shell --headless --wayland --virtual-monitor 1920x1080 \
  --wayland-display "$display" >"$base/shell.log" 2>&1 &
pids+=("$!")
shell=$!
"${in_root[@]}" "${as_user[@]}" gdbus wait --session --timeout 60 org.gnome.Shell
# The shell names its X display (Xwayland starts on demand) shortly after it
# took its bus name.
for _ in $(seq 200); do
  x_display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$base/shell.log")
  [ -z "$x_display" ] || break
  sleep 0.05
done

# X clients authenticate with the cookie the shell wrote for its Xwayland.
xauthority=$(ls "$runtime"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)

setpriv --reuid="$uid" --regid="$gid" --clear-groups env -u DISPLAY -u WAYLAND_DISPLAY \
  "${session_env[@]}" WAYLAND_DISPLAY="$display" DISPLAY="$x_display" XAUTHORITY="$xauthority" \
  VARNIC_SHELL_LOG="$base/shell.log" "$@"
