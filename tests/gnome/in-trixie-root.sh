#!/usr/bin/env bash
# Runs gnome-session.sh with the shell of the Debian 13 root (GNOME Shell 48),
# which tools/trixie-root.sh builds once per machine.
# Usage: in-trixie-root.sh SESSION_SCRIPT ARGUMENT...
set -euo pipefail
builder="$(dirname "$0")/../../tools/trixie-root.sh"
if [ -x "$builder" ]; then
  root=$("$builder")
else
  root=${VARNIC_TRIXIE_ROOT:-/var/cache/varnic/trixie-root}
fi
# Without the root there is no GNOME Shell 48 to test against: skipped.
[ -x "$root/usr/bin/gnome-shell" ] || { echo "in-trixie-root: no GNOME Shell in $root" >&2; exit 77; }
session=$1
shift
exec "$session" --root "$root" "$@"
