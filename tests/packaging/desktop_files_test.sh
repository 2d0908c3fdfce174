#!/usr/bin/env bash
# Installs the program's files into a scratch prefix and checks them where they land: the binary,
# the menu entry and the AppStream metadata (validated by their own tools), the icon sizes.
# Usage: desktop_files_test.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(realpath -m "$2")
prefix=$work/prefix
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" --component runtime >/dev/null

[ -x "$prefix/bin/vornex" ] || { echo "bin/vornex missing" >&2; exit 1; }
desktop=$prefix/share/applications/org.vornex.vornex.desktop
metainfo=$prefix/share/metainfo/org.vornex.vornex.metainfo.xml
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"

expect_line() {
  grep -qxF "$2" "$1" || { echo "$1 lacks the line: $2" >&2; exit 1; }
}
expect_line "$desktop" "Name=VORNEX"
expect_line "$desktop" "Icon=vornex"
expect_line "$desktop" "Exec=vornex"
expect_line "$desktop" "Categories=Development;Electronics;"
grep -q '^Comment=' "$desktop" && grep -q '^Comment\[ru\]=' "$desktop" ||
  { echo "the menu entry needs an English and a Russian comment" >&2; exit 1; }

for size in 16 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/vornex.png
  file -b "$png" | grep -q "PNG image data, $size x $size," ||
    { echo "$png is not a $size px PNG" >&2; exit 1; }
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/vornex.svg" ||
  { echo "the scalable icon is missing" >&2; exit 1; }
echo "desktop files valid in $prefix"
