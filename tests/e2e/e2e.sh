#!/usr/bin/env bash
# Drives the real varnic binary through its tray icon with real input (XTEST
# through xdotool) and checks what a user would see: window sizes from the X
# server, Varnic's log lines, screenshots of each step. Every wait is for
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
  shot "failure-$scenario"
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

shot() { import -window root "$shots/$1.png" 2>/dev/null; }
# The picture of a window (the root window by default), as a checksum.
picture() { if [ $# -gt 0 ]; then xwd -silent -id "$1"; else xwd -silent -root; fi | md5sum; }
# Two pictures in a row alike: Qt has painted what it mapped.
settled() { test "$(picture "$@")" = "$(picture "$@")"; }
# A record, not a check: a blinking caret may keep the screen from settling.
shot_settled() {
  desktop_wait 5 settled
  shot "$1"
}
expect_log() { desktop_wait "${2:-5}" grep -qxF -- "$1" "$log" || fail "no log line: $1"; }
log_mark() { wc -l <"$log"; }
# A line matching the extended regular expression, written after log_mark gave $1.
expect_new_log() {
  desktop_wait 5 sh -c 'tail -n +"$(($1 + 1))" "$2" | grep -qxE -- "$3"' _ "$1" "$log" "$2" ||
    fail "no new log line like: $2"
}

# The outer frame size of a client window: its geometry plus _NET_FRAME_EXTENTS.
outer_size() {
  local w h extents l r t b
  eval "$(xdotool getwindowgeometry --shell "$1")"
  w=$WIDTH h=$HEIGHT
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
  IFS=, read -r l r t b <<<"${extents:-0,0,0,0}"
  echo "$((w + l + r))x$((h + t + b))"
}
size_is() { test "$(outer_size "$1")" = "$2"; }
expect_size() {
  desktop_wait "${3:-5}" size_is "$1" "$2" || fail "window $1 is $(outer_size "$1"), not $2"
}

start_varnic() {
  XDG_CONFIG_HOME=$work/config "$varnic" >"$log" 2>"$work/varnic.err" &
  varnic_pid=$!
  desktop_wait 10 tray_icon || fail "no tray icon"
}
# Varnic's icon window inside the tray (the only small mapped varnic window).
tray_icon() {
  local id
  for id in $(xdotool search --onlyvisible --class varnic 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" -le 64 ] && [ "$HEIGHT" -le 64 ]; then echo "$id"; return 0; fi
  done
  return 1
}
click_tray() { xdotool mousemove --window "$(tray_icon)" 8 8 click "$1"; }

# The tray menu and its submenu: Varnic's override-redirect windows other than
# the tray icon. The panel is a managed window.
menu_count() {
  local id count=0
  for id in $(xdotool search --onlyvisible --class varnic 2>/dev/null); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [ "$WIDTH" -gt 64 ] && count=$((count + 1))
  done
  echo "$count"
}
menus_open() { test "$(menu_count)" = "$1"; }
expect_menus() { desktop_wait 5 menus_open "$1" || fail "$2"; }
# The menu takes the keyboard once it is on screen.
open_menu() {
  click_tray 3
  expect_menus 1 "no menu after a right click"
}

start_xlogo() {
  desktop_spawn xlogo -geometry 300x200+200+150
  desktop_wait 10 xdotool search --onlyvisible --class xlogo || fail "xlogo did not appear"
  xlogo=$(xdotool search --onlyvisible --class xlogo | head -1)
  xdotool windowactivate --sync "$xlogo"
}

scenario_tray_menu() {
  desktop_start_x && desktop_start_wm && desktop_start_tray || fail "no desktop"
  start_xlogo
  # A GNOME-named session without GNOME Shell (Budgie) is plain X11.
  XDG_CURRENT_DESKTOP=Budgie:GNOME start_varnic
  expect_log "Window system: X11, window manager Openbox"
  shot tray
  # A dismissed menu leaves nothing behind: the next left click opens the panel,
  # and a second one closes it, giving the focus back to xlogo.
  open_menu
  xdotool key Escape
  expect_menus 0 "Escape did not close the menu"
  open_panel
  click_tray 1
  expect_panel_closed
  desktop_wait 5 is_active "$xlogo" || fail "xlogo did not get the focus back"
  # The menu grabs the keyboard: open "Resize to...", step to the second preset.
  open_menu
  xdotool key Down Right
  expect_menus 2 "no presets submenu"
  shot_settled tray-menu
  xdotool key Down Return
  expect_size "$xlogo" 1280x720
  expect_log "Successfully resized XLogo to 1280.0x720.0"
  quit_varnic
}

# The panel opens with the keyboard on the width field; presets are reached
# from there with shift+Tab, one preset a step (scrolling the strip).
panel_key() { xdotool key --delay 60 "$@"; }
panel_window() { xdotool search --onlyvisible --name '^Varnic$' 2>/dev/null | head -1; }
# Keys go to the window with the X input focus: wait for the panel to have it.
open_panel() {
  click_tray 1
  desktop_wait 5 panel_window || fail "no panel after a left click"
  desktop_wait 5 panel_has_focus || fail "the panel did not get the focus"
}
active_window() { xdotool getactivewindow 2>/dev/null; }
is_active() { test "$(active_window)" = "$1"; }
panel_has_focus() {
  local panel
  panel=$(panel_window)
  is_active "$panel" && test "$(xdotool getwindowfocus 2>/dev/null)" = "$panel"
}
expect_panel_closed() { desktop_wait 5 sh -c '! xdotool search --onlyvisible --name "^Varnic$"' || fail "the panel stayed open"; }

# The discovery lines that name xlogo as the target, one per route.
xlogo_targeted='fetchActiveWindowInfo: system-wide focused window title for XLogo=xlogo|Successfully got title via AX for XLogo: xlogo|fetchActiveWindowInfo: using last non-self app pid=[0-9]+ app=XLogo'

scenario_panel() {
  desktop_start_x && desktop_start_wm && desktop_start_tray || fail "no desktop"
  start_xlogo
  start_varnic
  local mark
  mark=$(log_mark)
  open_panel
  # The panel's discovery names xlogo, by whichever route: the window manager
  # may still report xlogo as active when the panel comes on screen.
  expect_new_log "$mark" "$xlogo_targeted"
  shot_settled panel
  # "Social Square", the fifth of twelve presets, is eight steps back.
  panel_key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
  expect_panel_closed
  desktop_wait 5 is_active "$xlogo" || fail "xlogo did not get the focus back"
  expect_size "$xlogo" 1080x1080
  expect_log "Successfully resized XLogo to 1080.0x1080.0"
  shot panel-social-square

  mark=$(log_mark)
  open_panel
  expect_new_log "$mark" "$xlogo_targeted"
  panel_key ctrl+a
  xdotool type --delay 40 800
  panel_key Tab ctrl+a
  xdotool type --delay 40 600
  # Tab leads on to "Resize Active Window": the shot then has no blinking caret.
  panel_key Tab
  shot_settled panel-typed
  panel_key space
  expect_panel_closed
  expect_size "$xlogo" 800x600
  expect_log "Successfully resized XLogo to 800.0x600.0"

  open_panel
  panel_key Escape
  expect_panel_closed
  quit_varnic
}

scenario_onboarding() {
  # tint2 waits for a window manager before it starts its tray.
  desktop_start_x && desktop_start_wm && desktop_start_tray || fail "no desktop"
  desktop_stop_wm
  start_varnic
  expect_log "isAuthorized : false"
  click_tray 1
  desktop_wait 5 panel_window || fail "no onboarding panel"
  shot_settled onboarding
  # "Open Help Page" holds the focus first; it starts polling.
  xdotool windowfocus --sync "$(panel_window)"
  panel_key space
  expect_log "requestPermission : false"
  desktop_start_wm || fail "openbox did not start"
  expect_log "isAuthorized : true" 3
  click_tray 1
  desktop_wait 5 panel_window || fail "no panel once openbox runs"
  shot_settled onboarding-granted
  quit_varnic
}

quit_varnic() {
  open_menu
  xdotool key Up Return
  desktop_wait 5 sh -c '! kill -0 "$1"' _ "$varnic_pid" || fail "varnic did not quit"
  local status
  wait "$varnic_pid"; status=$?
  varnic_pid=
  [ "$status" -eq 0 ] || fail "varnic exited with $status"
}

"scenario_$scenario"
echo "PASS ($scenario)"
