#!/usr/bin/env bash
# Builds (once per machine) a Debian 13 root holding KWin 6 and GNOME Shell 48,
# the newer desktops the Wayland tests also run on. Prints the root's path.
# Usage: trixie-root.sh [PACKAGE...]: the packages named are added to the root too.
# Reused while its stamp holds every package listed below (packages are only
# added, so branches with shorter lists share the root); about 1.5 GB.
set -euo pipefail

root=${VARNIC_TRIXIE_ROOT:-/var/cache/varnic/trixie-root}
packages=(kwin-wayland qdbus-qt6 gnome-shell gtk-3-examples dbus dbus-x11 x11-apps xwayland
          libglib2.0-bin procps gnome-shell-extension-appindicator "$@")
stamp="$root/.varnic-packages"

installed() {
  local have package
  have=" $(cat "$stamp" 2>/dev/null) "
  for package in "${packages[@]}"; do [[ $have == *" $package "* ]] || return 1; done
}
if installed; then
  echo "$root"
  exit 0
fi

command -v debootstrap >/dev/null || {
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
}
exec 9>"${root%/*}.lock" 2>/dev/null || { mkdir -p "${root%/*}"; exec 9>"${root%/*}.lock"; }
flock 9
# Another run may have installed them while this one waited for the lock.
installed && { echo "$root"; exit 0; }
if [ ! -x "$root/usr/bin/apt-get" ]; then
  # The Debian archive this machine's own apt sources use (its main suite, not
  # -updates or -security), so the root comes from the same place as the host.
  archive=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 'Origin: Debian' \
    'Label: Debian' 'Identifier: Packages' | awk '$1 !~ /-/ { print $2; exit }')
  [ -n "$archive" ] || { echo "trixie-root: no Debian archive in this machine's apt sources" >&2; exit 1; }
  rm -rf "$root"
  mkdir -p "$root"
  debootstrap --variant=minbase trixie "$root" "$archive" >/dev/null
fi

mounted=()
cleanup() { for m in "${mounted[@]}"; do umount -l "$m" 2>/dev/null || true; done; }
trap cleanup EXIT
for fs in proc sys dev; do
  mount --bind "/$fs" "$root/$fs" && mounted+=("$root/$fs")
done
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive sh -c \
  "apt-get update -qq && apt-get install -y -qq --no-install-recommends ${packages[*]} >/dev/null"
chmod 1777 "$root/tmp"
mkdir -p "$root/tmp/.X11-unix" && chmod 1777 "$root/tmp/.X11-unix"
# The stamp keeps what earlier lists installed too.
# shellcheck disable=SC2046
printf '%s\n' $(cat "$stamp" 2>/dev/null) "${packages[@]}" | sort -u | xargs >"$stamp.new"
mv "$stamp.new" "$stamp"
echo "$root"
