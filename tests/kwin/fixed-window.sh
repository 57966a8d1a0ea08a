#!/bin/sh
# An X window of one allowed size (GTK's fixed size: minimum = maximum),
# titled TITLE, until it is killed; tests/i3 uses it too.
# Usage: fixed-window.sh TITLE
exec env GDK_BACKEND=x11 NO_AT_BRIDGE=1 /usr/bin/python3 "$(dirname "$0")/../gnome/windows.py" "$1" --fixed
