#!/usr/bin/env bash
# Makes the Debian package from build/ (after scripts/test.sh has built
# everything), checks it with lintian (no error, no warning but those the
# package's overrides justify), installs it with apt-get as a user would,
# runs the installed programs, validates the installed desktop entry and
# metainfo, and removes the package again. Run as root, or as a user who may
# use sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"

rm -f build/jollix_*.deb
(cd build && cpack -G DEB)
debs=(build/jollix_*.deb)
echo "== lintian ${debs[0]}"
lintian --fail-on error,warning --display-info --show-overrides "${debs[0]}"
echo "== installing ${debs[0]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y "./${debs[0]}"

work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y jollix >/dev/null
}
trap cleanup EXIT

echo "== the installed programs"
test "$(command -v jollix)" = /usr/bin/jollix
test "$(command -v jollix-batch)" = /usr/bin/jollix-batch
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM jollix --version
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM jollix --help >/dev/null
jollix-batch --version
(cd "$work" && jollix-batch default out.png expand@300,230)
# A PNG of the start picture's size.
identify -format '%m %w x %h\n' "$work/out.png" | tee "$work/identified"
grep -qx 'PNG 605 x 469' "$work/identified"

# The face finder reads its cascades from opencv-data, a dependency: a flat
# grey picture has no face, and the batch says so (not that data is missing).
convert -size 320x240 xc:gray60 "$work/flat.png"
if msg=$(jollix-batch "$work/flat.png" "$work/faces.png" faces 2>&1); then
  echo "a flat picture should have no face"; exit 1
fi
echo "$msg" | grep -q "No face was found in the picture."

echo "== the window starts on a display"
# Still running after 5 seconds: it started and is waiting for the user.
rc=0
xvfb-run -a -s "-screen 0 1280x1024x24" timeout 5 jollix || rc=$?
test "$rc" -eq 124

echo "== the installed desktop entry and metainfo"
desktop-file-validate /usr/share/applications/jollix.desktop
appstreamcli validate --no-net /usr/share/metainfo/example.jollix.Jollix.metainfo.xml
# The man pages as packaged (minimal systems may leave /usr/share/man out).
dpkg-deb -x "${debs[0]}" "$work/deb"
for page in jollix jollix-batch; do
  out=$(man --warnings -l "$work/deb/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$out" ] || { echo "$page.1: $out"; exit 1; }
done
test -f /usr/share/jollix/help/index.html
test -f /usr/share/icons/hicolor/scalable/apps/jollix.svg
echo "== package check passed"
