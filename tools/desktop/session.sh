# A private X desktop for trying and testing Varnic: Xvfb, openbox, a tint2
# tray and sample windows. Source this file; it kills only what it started.

desktop_pids=()
desktop_dir=$(dirname "${BASH_SOURCE[0]}")

# Starts Xvfb on a free display and exports DISPLAY.
desktop_start_x() {
  local size=${1:-1920x1200x24} fifo
  fifo=$(mktemp -u) && mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  desktop_pids+=($!)
  local number
  read -r -t 10 number <"$fifo" || { rm -f "$fifo"; echo "Xvfb did not start" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  # Qt would look for a StatusNotifierItem host on a session bus; this desktop
  # has an XEmbed tray.
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
  export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb
}

# openbox announces itself before it manages new windows; its startup command
# runs once it does.
desktop_start_wm() {
  local ready
  ready=$(mktemp -u)
  openbox --sm-disable --startup "touch $ready" >/dev/null 2>&1 &
  desktop_wm_pid=$!
  desktop_pids+=("$desktop_wm_pid")
  desktop_wait 10 test -e "$ready"
  local started=$?
  rm -f "$ready"
  return $started
}

# Ends the window manager; the tray (which needs one to start) stays.
desktop_stop_wm() {
  { kill "$desktop_wm_pid" && wait "$desktop_wm_pid"; } 2>/dev/null || true
}

desktop_start_tray() {
  tint2 -c "$desktop_dir/tint2rc" >/dev/null 2>&1 &
  desktop_pids+=($!)
  desktop_wait 10 sh -c 'xprop -root | grep -q "^_NET_SYSTEM_TRAY_S0\|_NET_SYSTEM_TRAY" || xdotool search --class tint2 >/dev/null'
}

# Starts a program in the background and remembers its pid in desktop_last_pid.
desktop_spawn() {
  "$@" >/dev/null 2>&1 &
  desktop_last_pid=$!
  desktop_pids+=("$desktop_last_pid")
}

# Runs a check until it succeeds or the seconds run out.
desktop_wait() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

desktop_stop() {
  local pid
  for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
    pid=${desktop_pids[i]}
    # wait reports the signal as a failure; callers may run under set -e.
    { kill "$pid" && wait "$pid"; } 2>/dev/null || true
  done
  desktop_pids=()
}
