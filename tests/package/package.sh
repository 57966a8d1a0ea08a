#!/usr/bin/env bash
# Builds the Debian package from a release build folder, checks it with lintian,
# installs it with apt, checks the installed files with their validators and the
# installed program on a test desktop, then purges it and checks that nothing of
# it is left. Installs system-wide: run it as root (or with sudo at hand).
# Usage: package.sh BUILD_FOLDER
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
id=io.github.varnic.Varnic
work=$(mktemp -d)
apt=(apt-get -qq -o DPkg::Lock::Timeout=300)
[ "$(id -u)" -ne 0 ] && apt=(sudo "${apt[@]}")
export DEBIAN_FRONTEND=noninteractive

fail() { echo "FAIL (package): $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' varnic 2>/dev/null | grep -q 'install ok installed'; }
cleanup() {
  if installed; then "${apt[@]}" purge -y varnic >/dev/null; fi
  rm -rf "$work"
}
installed && fail "varnic is installed already; this check would remove it"
trap cleanup EXIT

rm -f "$build"/varnic_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$build"/varnic_*_amd64.deb)
dpkg-deb -f "$deb" Depends | grep -q xdg-utils || fail "Depends lacks xdg-utils"
lintian --fail-on error "$deb" || fail "lintian found errors"

"${apt[@]}" install -y "$deb" >/dev/null || fail "apt-get install failed"
dpkg -L varnic >"$work/files"

for file in /usr/bin/varnic /usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/$id.svg /usr/share/man/man1/varnic.1.gz \
  /usr/share/doc/varnic/copyright /usr/share/doc/varnic/changelog.gz /usr/share/doc/varnic/help.html; do
  grep -qxF "$file" "$work/files" || fail "the package lacks $file"
done
for size in 16 22 24 32 48 64 128 256; do
  png=/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  grep -qxF "$png" "$work/files" && file "$png" | grep -q "$size x $size" ||
    fail "the package lacks $png of $size x $size"
done
desktop-file-validate /usr/share/applications/$id.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml || fail "appstreamcli validate"
test "$(man -w varnic)" = /usr/share/man/man1/varnic.1.gz || fail "man does not find varnic(1)"

bash tests/e2e/e2e.sh resize /usr/bin/varnic "$work/screenshots" ||
  fail "the installed varnic did not pass the resize scenario"

"${apt[@]}" purge -y varnic >/dev/null || fail "apt-get purge failed"
left=0
while read -r path; do
  # A folder other packages share (/usr/share/man/man1) stays.
  if [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then continue; fi
  if [ -e "$path" ]; then echo "left behind: $path" >&2; left=1; fi
done <"$work/files"
[ "$left" -eq 0 ] || fail "purge left files of the package"
echo "PASS (package)"
