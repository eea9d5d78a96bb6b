#!/bin/sh
# Installs the build into a scratch folder as `cmake --install` does and checks what a desktop
# finds there: the program runs, the menu entry, the icons, the AppStream description and the
# manual page are in place, and their validators accept them. Exits 77 (skipped) when a
# validator is missing, after the checks that need none.
# Usage: check-install-tree.sh BUILD_DIR
set -eu
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "install tree: $*" >&2; exit 1; }
share="$root/usr/share"
for file in "$root/usr/bin/elvaro-q3" \
            "$share/applications/org.elvaro.ElvaroQ3.desktop" \
            "$share/metainfo/org.elvaro.ElvaroQ3.metainfo.xml" \
            "$share/icons/hicolor/scalable/apps/elvaro-q3.svg" \
            "$share/icons/hicolor/48x48/apps/elvaro-q3.png" \
            "$share/man/man1/elvaro-q3.1"; do
  [ -f "$file" ] || fail "${file#$root} is not installed"
done
"$root/usr/bin/elvaro-q3" --version | grep -q '^elvaro-q3 ' || fail "the installed program does not answer --version"
# A PNG's width and height are the big-endian numbers at bytes 16 and 20.
size=$(od -An -tu1 -j16 -N8 "$share/icons/hicolor/48x48/apps/elvaro-q3.png" | awk '{print $4 + 256*$3, $8 + 256*$7}')
[ "$size" = "48 48" ] || fail "the 48x48 icon is $size"
grep -q '^Icon=elvaro-q3$' "$share/applications/org.elvaro.ElvaroQ3.desktop" || fail "the menu entry names another icon"

missing=""
for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || missing="$missing $tool"
done
if [ -n "$missing" ]; then
  echo "install tree: not validated, missing:$missing (make deps installs them)"
  exit 77
fi
desktop-file-validate "$share/applications/org.elvaro.ElvaroQ3.desktop" || fail "desktop-file-validate refuses the menu entry"
appstreamcli validate --no-net "$share/metainfo/org.elvaro.ElvaroQ3.metainfo.xml" >/dev/null \
  || { appstreamcli validate --no-net "$share/metainfo/org.elvaro.ElvaroQ3.metainfo.xml" >&2; fail "appstreamcli refuses the metainfo"; }
warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/elvaro-q3.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man warns: $warnings"
echo "install tree: complete and valid"
