#!/usr/bin/env bash
# Runs gnome-session.sh with the shell of the Debian 13 root (GNOME Shell 48),
# building the root first when this machine has none.
# Usage: in-trixie-root.sh SESSION_SCRIPT ARGUMENT...
set -euo pipefail
root=$("$(dirname "$0")/../../tools/trixie-root.sh")
session=$1
shift
exec "$session" --root "$root" "$@"
