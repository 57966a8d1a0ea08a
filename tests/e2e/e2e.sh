#!/usr/bin/env bash
# Drives the real varnic binary through its tray icon with real input (XTEST
# through xdotool) and checks what a user would see: window sizes from the X
# server, Varnic's log lines, the README's screenshots. Every wait is for
# something the display or the log shows, within a deadline.
# Usage: e2e.sh SCENARIO VARNIC_BINARY SCREENSHOT_DIR
# VARNIC_BINARY in the environment replaces the argument, so that the same
# scenarios drive a release build or the installed /usr/bin/varnic.
set -uo pipefail
scenario=$1 varnic=${VARNIC_BINARY:-$2} shots=$3
mkdir -p "$shots"
source "$(dirname "$0")/../../tools/desktop/session.sh"
work=$(mktemp -d)
log=$work/varnic.log
varnic_pid=

fail() {
  echo "FAIL ($scenario): $*" >&2
  import -window root "$shots/failure-$scenario.png" 2>/dev/null
  echo "--- varnic log ---" >&2
  cat "$log" >&2 2>/dev/null
  exit 1
}
cleanup() {
  [ -n "$varnic_pid" ] && kill "$varnic_pid" 2>/dev/null
  desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT

# expect MESSAGE CHECK...: waits for the check, or fails with the message.
expect() { desktop_wait 5 "${@:2}" || fail "$1"; }
expect_log() { desktop_wait "${2:-5}" grep -qxF -- "$1" "$log" || fail "no log line: $1"; }
# A record, not a check: once two pictures in a row are alike, Qt has painted
# (a blinking caret may keep the screen from settling).
settled() { test "$(xwd -silent -root | md5sum)" = "$(xwd -silent -root | md5sum)"; }
shot() {
  desktop_wait 5 settled
  import -window root "$shots/$1.png" 2>/dev/null
}

start_xlogo() {
  desktop_start_x && desktop_start_wm && desktop_start_tray || fail "no desktop"
  desktop_spawn xlogo -geometry 300x200+200+150
  desktop_wait 10 xdotool search --onlyvisible --class xlogo || fail "xlogo did not appear"
  xlogo=$(xdotool search --onlyvisible --class xlogo | head -1)
  xdotool windowactivate --sync "$xlogo"
}
# xlogo's outer frame (its geometry plus _NET_FRAME_EXTENTS) has the size, and the log says so.
outer_size() {
  local l r t b
  eval "$(xdotool getwindowgeometry --shell "$xlogo")"
  IFS=', ' read -r l r t b <<<"$(xprop -id "$xlogo" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')"
  echo "$((WIDTH + ${l:-0} + ${r:-0}))x$((HEIGHT + ${t:-0} + ${b:-0}))"
}
size_is() { test "$(outer_size)" = "$1"; }
expect_resized() {
  desktop_wait 5 size_is "$1x$2" || fail "xlogo is $(outer_size), not $1x$2"
  expect_log "Successfully resized XLogo to $1.0x$2.0"
}

start_varnic() {
  XDG_CONFIG_HOME=$work/config "$varnic" >"$log" 2>"$work/varnic.err" &
  varnic_pid=$!
  desktop_wait 10 tray_icon || fail "no tray icon"
}
# Varnic's mapped windows: id, width and whether it is override-redirect.
varnic_windows() {
  local id
  for id in $(xdotool search --onlyvisible --class varnic 2>/dev/null); do
    xwininfo -id "$id" | awk -v id="$id" '/Width:/ {w = $2} /Override Redirect/ {print id, w, $4}'
  done
}
# The icon inside the tray is the only narrow one; the menu and its submenu are
# the wide override-redirect ones (the panel is a managed window).
tray_icon() { varnic_windows | awk '$2 <= 64 {print $1; found = 1; exit} END {exit !found}'; }
menus_open() { test "$(varnic_windows | awk '$2 > 64 && $3 == "yes"' | wc -l)" = "$1"; }
click_tray() { xdotool mousemove --window "$(tray_icon)" 8 8 click "$1"; }
# The menu takes the keyboard once it is on screen.
open_menu() { click_tray 3; expect "no menu after a right click" menus_open 1; }
quit_varnic() {
  open_menu
  xdotool key Up Return
  expect "varnic did not quit" sh -c '! kill -0 "$1"' _ "$varnic_pid"
  wait "$varnic_pid" || fail "varnic exited with $?"
  varnic_pid=
}

panel_key() { xdotool key --delay 60 "$@"; }
panel_window() { xdotool search --onlyvisible --name '^Varnic$' 2>/dev/null | head -1; }
panel_closed() { ! panel_window; }
is_active() { test "$(xdotool getactivewindow 2>/dev/null)" = "$1"; }
# Keys go to the window with the X input focus.
panel_has_focus() { is_active "$(panel_window)" && test "$(xdotool getwindowfocus)" = "$(panel_window)"; }
# The discovery lines that name xlogo as the target, one per route: the window
# manager may still report xlogo as active when the panel comes on screen.
targeted='fetchActiveWindowInfo: system-wide focused window title for XLogo=xlogo|Successfully got title via AX for XLogo: xlogo|fetchActiveWindowInfo: using last non-self app pid=[0-9]+ app=XLogo'
open_panel() {
  local mark
  mark=$(wc -l <"$log")
  click_tray 1
  expect "no panel after a left click" panel_window
  expect "the panel did not get the focus" panel_has_focus
  expect "the panel's discovery did not name xlogo" \
    sh -c 'tail -n +"$(($1 + 1))" "$2" | grep -qxE -- "$3"' _ "$mark" "$log" "$targeted"
}
expect_closed() {
  expect "the panel stayed open" panel_closed
  expect "xlogo did not get the focus back" is_active "$xlogo"
}

# The tray menu and the panel on one desktop. The panel opens with the
# keyboard on the width field; presets are reached from there with shift+Tab,
# one preset a step (scrolling the strip).
scenario_resize() {
  start_xlogo
  # A GNOME-named session without GNOME Shell (Budgie) is plain X11.
  XDG_CURRENT_DESKTOP=Budgie:GNOME start_varnic
  expect_log "Window system: X11, window manager Openbox"
  # A dismissed menu leaves nothing behind: the next left click opens the
  # panel, and a second one closes it.
  open_menu
  xdotool key Escape
  expect "Escape did not close the menu" menus_open 0
  open_panel
  click_tray 1
  expect_closed
  # The menu grabs the keyboard: open "Resize to...", step to the second preset.
  open_menu
  xdotool key Down Right
  expect "no presets submenu" menus_open 2
  shot tray-menu
  xdotool key Down Return
  expect_resized 1280 720

  open_panel
  shot panel
  # "Social Square", the fifth of twelve presets, is eight steps back.
  panel_key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
  expect_closed
  expect_resized 1080 1080
  # A typed size: Tab leads on from the height to "Resize Active Window".
  open_panel
  panel_key ctrl+a 8 0 0 Tab ctrl+a 6 0 0 Tab space
  expect_closed
  expect_resized 800 600
  open_panel
  panel_key Escape
  expect_closed
  quit_varnic
}

scenario_onboarding() {
  # tint2 waits for a window manager before it starts its tray.
  desktop_start_x && desktop_start_wm && desktop_start_tray || fail "no desktop"
  desktop_stop_wm
  start_varnic
  expect_log "isAuthorized : false"
  click_tray 1
  expect "no onboarding panel" panel_window
  shot onboarding
  # "Open Help Page" holds the focus first; it starts polling.
  xdotool windowfocus --sync "$(panel_window)"
  panel_key space
  expect_log "requestPermission : false"
  desktop_start_wm || fail "openbox did not start"
  expect_log "isAuthorized : true" 3
  click_tray 1
  expect "no panel once openbox runs" panel_window
  quit_varnic
}

"scenario_$scenario"
echo "PASS ($scenario)"
