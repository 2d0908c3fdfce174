#!/usr/bin/env bash
# Builds the two Debian packages with cpack and checks their file lists and dependencies; then
# configures a program against the developer package unpacked into a scratch folder.
# Usage: deb_test.sh BUILD_DIR SOURCE_DIR WORK_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(realpath -m "$3")
version=$4
arch=$(dpkg --print-architecture)
rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" ||
  { cat "$work/cpack.log" >&2; exit 1; }

runtime=$work/vornex_${version}_${arch}.deb
devel=$work/libqxbinhex-dev_${version}_${arch}.deb
for deb in "$runtime" "$devel"; do
  [ -f "$deb" ] || { echo "missing $deb; made: $(ls "$work")" >&2; exit 1; }
done

dpkg-deb -c "$runtime" | awk '{print $6}' >"$work/runtime.list"
dpkg-deb -c "$devel" | awk '{print $6}' >"$work/devel.list"
expect_file() { # LIST REGEX
  grep -qE "$2" "$1" || { echo "$(basename "$1") has no entry matching $2" >&2; exit 1; }
}
refuse_file() {
  if grep -E "$2" "$1" >&2; then echo "$(basename "$1") must not hold the entries above" >&2; exit 1; fi
}

expect_file "$work/runtime.list" '^\./usr/bin/vornex$'
expect_file "$work/runtime.list" '^\./usr/bin/vornex-tool$'
expect_file "$work/runtime.list" '^\./usr/share/man/man1/vornex-tool\.1(\.gz)?$'
expect_file "$work/runtime.list" '^\./usr/share/applications/org\.vornex\.vornex\.desktop$'
expect_file "$work/runtime.list" '^\./usr/share/metainfo/org\.vornex\.vornex\.metainfo\.xml$'
expect_file "$work/runtime.list" '^\./usr/share/icons/hicolor/scalable/apps/vornex\.svg$'
for size in 16 32 48 64 128 256; do
  expect_file "$work/runtime.list" "^\./usr/share/icons/hicolor/${size}x${size}/apps/vornex\.png$"
done
expect_file "$work/runtime.list" '^\./usr/share/doc/vornex/copyright$'
refuse_file "$work/runtime.list" '/include/|\.so|/cmake/'

expect_file "$work/devel.list" '^\./usr/include/QXBinHex/QXBinHex\.h$'
expect_file "$work/devel.list" '^\./usr/include/QXBinHex/QXxCodepages\.h$'
expect_file "$work/devel.list" '^\./usr/include/QXBinHex/SysColors\.h$'
expect_file "$work/devel.list" '^\./usr/lib/([a-z0-9_]+-linux-gnu/)?libQXBinHex\.so$'
expect_file "$work/devel.list" "^\./usr/lib/([a-z0-9_]+-linux-gnu/)?libQXBinHex\.so\.${version%%.*}$"
expect_file "$work/devel.list" '/cmake/QXBinHex/QXBinHexConfig\.cmake$'
expect_file "$work/devel.list" '/cmake/QXBinHex/QXBinHexConfigVersion\.cmake$'
expect_file "$work/devel.list" '/cmake/QXBinHex/QXBinHexTargets\.cmake$'
expect_file "$work/devel.list" '^\./usr/lib/([a-z0-9_]+-linux-gnu/)?qt6/plugins/designer/libqxbinhexplugin\.so$'
refuse_file "$work/devel.list" '/bin/|_p\.h$'

depends=$(dpkg-deb -f "$runtime" Depends)
for package in 'libqt6widgets6(t64)?' 'libicu[0-9]+' 'fonts-liberation2' 'qt6-translations-l10n' \
               'qt6-qpa-plugins'; do
  grep -qE "(^|, )$package( |,|$)" <<<"$depends" ||
    { echo "vornex does not depend on $package: $depends" >&2; exit 1; }
done
grep -qE '(^|, )qt6-base-dev( |,|$)' <<<"$(dpkg-deb -f "$devel" Depends)" ||
  { echo "libqxbinhex-dev does not depend on qt6-base-dev" >&2; exit 1; }

# The developer package works from wherever it is unpacked.
dpkg-deb -x "$devel" "$work/root"
cmake -S "$source/examples/hexview" -B "$work/hexview" -DCMAKE_PREFIX_PATH="$work/root/usr" \
  >"$work/configure.log" || { cat "$work/configure.log" >&2; exit 1; }
grep -q "^QXBinHex_DIR:PATH=$work/root/usr/" "$work/hexview/CMakeCache.txt" ||
  { echo "QXBinHex was not found in the unpacked package" >&2; exit 1; }
echo "packages checked: $(basename "$runtime") $(basename "$devel")"
