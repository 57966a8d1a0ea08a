#!/bin/sh
# Runs a program inside a Debian root as the calling user, without root
# rights. A first user namespace, in which the user is root, binds the system
# folders and /tmp (so paths under /tmp mean the same inside and out) and gives
# /tmp/.X11-unix a fresh folder of the user's own, since KWin refuses one owned
# by a user the namespace does not know (root outside); X clients outside
# reach XWayland through its abstract socket. A second one maps the user back
# to itself and chroots.
# Usage: in-root.sh ROOT PROGRAM [ARGUMENT...]
set -eu
# The inner script expands its own arguments.
# shellcheck disable=SC2016
exec unshare --map-root-user --mount /bin/sh -ceu '
  uid=$1 gid=$2 root=$3
  shift 3
  for folder in dev proc sys tmp; do mount --rbind "/$folder" "$root/$folder"; done
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp/.X11-unix"
  exec unshare --map-user="$uid" --map-group="$gid" --root="$root" -- "$@"
' in-root.sh "$(id -u)" "$(id -g)" "$@"
