#!/usr/bin/env bash
# Varnic's tray icon in a real xfce4-panel (its systray plugin is both an
# XEmbed tray and a StatusNotifierItem host) under xfwm4 on a private Xvfb,
# clicked with real input events (XTEST through xdotool), as a person would.
# Usage: dbus-run-session -- bash xfce-tray.sh VARNIC_BINARY
# (VARNIC_BINARY in the environment replaces the argument). The tray is an
# external plugin of the panel: its menus are windows of a "wrapper" process.
set -uo pipefail
varnic=${VARNIC_BINARY:-$1}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/desktop/session.sh"
bus=$DBUS_SESSION_BUS_ADDRESS
work=$(mktemp -d /tmp/varnic-xfce-XXXXXX)
log=$work/varnic.log
varnic_pid=

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null
  cat "$log" >&2
  echo "logs kept in $work" >&2
  work=
  exit 1
}
cleanup() {
  [ -n "$varnic_pid" ] && kill "$varnic_pid" 2>/dev/null
  desktop_stop
  [ -n "$work" ] && rm -rf "$work"
}
trap cleanup EXIT

desktop_start_x 1920x1080x24 || fail "no X server"
# The panel's host and Varnic's item meet on the session bus.
export DBUS_SESSION_BUS_ADDRESS=$bus XDG_CONFIG_HOME=$work/config NO_AT_BRIDGE=1
mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
cp "$here/panel.xml" "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml"
# The settings store, started here rather than by the bus: it writes the
# settings back when it ends, which must come before the folder goes.
desktop_spawn "$(sed -n 's/^Exec=//p' /usr/share/dbus-1/services/org.xfce.Xfconf.service)"
timeout 10 gdbus wait --session org.xfce.Xfconf || fail "no xfconfd"
desktop_spawn xfwm4 --compositor=off
desktop_wait 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "no xfwm4"
desktop_spawn xfce4-panel
panel_pid=$desktop_last_pid
timeout 10 gdbus wait --session org.kde.StatusNotifierWatcher || fail "no tray host"
panel=$(timeout 10 xdotool search --sync --onlyvisible --class xfce4-panel | head -1)

desktop_spawn xlogo -geometry 300x200+200+150
xlogo=$(timeout 10 xdotool search --sync --onlyvisible --class xlogo | head -1)
xdotool windowactivate --sync "$xlogo"

# The icon is where the panel's picture changes once Varnic runs.
import -window "$panel" "$work/before.png"
"$varnic" >"$log" 2>"$work/varnic.err" &
varnic_pid=$!
# The icon is Varnic's own StatusNotifierItem, not an embedded window.
registered() {
  gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems |
    grep -q "StatusNotifierItem-$varnic_pid-"
}
watcher() {
  gdbus call --session -d org.freedesktop.DBus -o / -m org.freedesktop.DBus.GetNameOwner \
    org.kde.StatusNotifierWatcher
}
desktop_wait 10 registered || fail "Varnic's item is not registered"
desktop_wait 5 grep -qx "Window system: X11, window manager Xfwm4" "$log" || fail "not the X11 backend"
# A panel that restarts shows the icon again; the rest runs on the new one.
old_watcher=$(watcher)
kill "$panel_pid"
wait "$panel_pid"
desktop_spawn xfce4-panel
desktop_wait 10 eval '[ "$(watcher)" != "$old_watcher" ] && registered' ||
  fail "Varnic's item is not registered with the restarted panel"
panel=$(timeout 10 xdotool search --sync --onlyvisible --class xfce4-panel | head -1)
icon_area() {
  import -window "$panel" "$work/after.png" &&
    area=$(convert "$work/before.png" "$work/after.png" -compose difference -composite \
      -format '%@' info:) && [[ $area =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] &&
    ((BASH_REMATCH[1] >= 8 && BASH_REMATCH[1] < 64))
}
desktop_wait 10 icon_area || fail "no icon in the panel"
eval "$(xdotool getwindowgeometry --shell "$panel")"
icon_x=$((X + BASH_REMATCH[3] + BASH_REMATCH[1] / 2)) icon_y=$((Y + BASH_REMATCH[4] + BASH_REMATCH[2] / 2))

# The host's menus on screen.
menus_open() {
  local id count=0
  for id in $(xdotool search --onlyvisible --class "wrapper|xfce4-panel" 2>/dev/null); do
    xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q POPUP_MENU && count=$((count + 1))
  done
  test "$count" = "$1"
}
right_click() {
  xdotool mousemove "$icon_x" "$icon_y" click 3
  desktop_wait 5 menus_open 1 || fail "no menu after a right click"
}
outer_size() {
  local l r t b
  eval "$(xdotool getwindowgeometry --shell "$xlogo")"
  IFS=', ' read -r l r t b < <(xprop -id "$xlogo" _NET_FRAME_EXTENTS | sed 's/.*= //')
  echo "$((WIDTH + l + r))x$((HEIGHT + t + b))"
}

# "Resize to..." leads the menu; its second preset is "720p (HD)".
right_click
xdotool key Down Right
desktop_wait 5 menus_open 2 || fail "no presets submenu"
xdotool key Down Return
desktop_wait 5 grep -qx "Successfully resized XLogo to 1280.0x720.0" "$log" || fail "no resize"
[ "$(outer_size)" = 1280x720 ] || fail "xlogo's frame is $(outer_size), not 1280x720"

# A left click opens the panel beside the icon.
xdotool mousemove "$icon_x" "$icon_y" click 1
varnic_panel=$(timeout 5 xdotool search --sync --onlyvisible --name '^Varnic$' | head -1)
[ -n "$varnic_panel" ] || fail "no panel after a left click"
beside() {
  eval "$(xdotool getwindowgeometry --shell "$varnic_panel")"
  local dx=$((X > icon_x ? X - icon_x : icon_x > X + WIDTH ? icon_x - X - WIDTH : 0))
  local dy=$((Y > icon_y ? Y - icon_y : icon_y > Y + HEIGHT ? icon_y - Y - HEIGHT : 0))
  ((dx * dx + dy * dy <= 80 * 80))
}
desktop_wait 5 beside || fail "the panel is at $X,$Y, not beside the icon at $icon_x,$icon_y"

# "Quit" is the menu's last entry: Up wraps round to it.
right_click
xdotool key Up Return
desktop_wait 5 sh -c '! kill -0 "$1"' _ "$varnic_pid" || fail "Varnic did not quit"
wait "$varnic_pid" || fail "Varnic exited with $?"
varnic_pid=
echo PASS
