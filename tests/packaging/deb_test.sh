#!/usr/bin/env bash
# Builds the Debian packages with cpack and checks their file lists, dependencies and lintian's
# verdict; then builds a program against the developer package unpacked into a scratch folder,
# checks that dpkg-shlibdeps sends it to the runtime library package and runs it with that
# package alone. Given PYTHON, the Python package too: its files, dependencies, lintian, and its
# example run by PYTHON from the Python and library packages unpacked together.
# Usage: deb_test.sh BUILD_DIR SOURCE_DIR WORK_DIR VERSION [CXX_FLAGS [PYTHON]]
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(realpath -m "$3")
version=$4
cxxflags=${5:-}
python=${6:-}
arch=$(dpkg --print-architecture)
rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" ||
  { cat "$work/cpack.log" >&2; exit 1; }

runtime=$work/vornex_${version}_${arch}.deb
lib=$work/libqxbinhex1_${version}_${arch}.deb
devel=$work/libqxbinhex-dev_${version}_${arch}.deb
plugin=$work/qxbinhex-designer-plugin_${version}_${arch}.deb
debs=("$runtime" "$lib" "$devel" "$plugin")
if [ -n "$python" ]; then
  pymodule=$work/python3-qxbinhex_${version}_${arch}.deb
  debs+=("$pymodule")
fi
for deb in "${debs[@]}"; do
  [ -f "$deb" ] || { echo "missing $deb; made: $(ls "$work")" >&2; exit 1; }
done

dpkg-deb -c "$runtime" | awk '{print $6}' >"$work/runtime.list"
dpkg-deb -c "$lib" | awk '{print $6}' >"$work/lib.list"
dpkg-deb -c "$devel" | awk '{print $6}' >"$work/devel.list"
dpkg-deb -c "$plugin" | awk '{print $6}' >"$work/plugin.list"
expect_file() { # LIST REGEX
  grep -qE "$2" "$1" || { echo "$(basename "$1") has no entry matching $2" >&2; exit 1; }
}
refuse_file() {
  if grep -E "$2" "$1" >&2; then echo "$(basename "$1") must not hold the entries above" >&2; exit 1; fi
}

expect_file "$work/runtime.list" '^\./usr/bin/vornex$'
expect_file "$work/runtime.list" '^\./usr/bin/vornex-tool$'
expect_file "$work/runtime.list" '^\./usr/share/man/man1/vornex-tool\.1\.gz$'
expect_file "$work/runtime.list" '^\./usr/share/man/man1/vornex\.1\.gz$'
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
expect_file "$work/lib.list" "^\./usr/lib/([a-z0-9_]+-linux-gnu/)?libQXBinHex\.so\.${version%%.*}$"
refuse_file "$work/lib.list" '/include/|/cmake/|\.so$|/plugins/'
expect_file "$work/devel.list" '/cmake/QXBinHex/QXBinHexConfig\.cmake$'
expect_file "$work/devel.list" '/cmake/QXBinHex/QXBinHexConfigVersion\.cmake$'
expect_file "$work/devel.list" '/cmake/QXBinHex/QXBinHexTargets\.cmake$'
expect_file "$work/plugin.list" '^\./usr/lib/([a-z0-9_]+-linux-gnu/)?qt6/plugins/designer/libqxbinhexplugin\.so$'
refuse_file "$work/devel.list" '/bin/|_p\.h$|\.so\.|/plugins/'
if [ -n "$python" ]; then
  dpkg-deb -c "$pymodule" | awk '{print $6}' >"$work/python.list"
  expect_file "$work/python.list" '^\./usr/lib/python3/dist-packages/qxbinhex\.abi3\.so$'
  expect_file "$work/python.list" '^\./usr/share/doc/python3-qxbinhex/examples/hexview\.py$'
  expect_file "$work/python.list" '^\./usr/share/doc/python3-qxbinhex/copyright$'
  expect_file "$work/python.list" '^\./usr/share/doc/python3-qxbinhex/changelog\.gz$'
  refuse_file "$work/python.list" '/include/|/cmake/|libQXBinHex'
  [ "$(dpkg-deb -f "$pymodule" Section)" = python ] || { echo "python3-qxbinhex is not in python" >&2; exit 1; }
  for package in "libqxbinhex1 \(= $version\)" 'python3' 'python3-pyqt6' 'libqt6widgets6(t64)?'; do
    grep -qE "(^|, )$package( |,|$)" <<<"$(dpkg-deb -f "$pymodule" Depends)" ||
      { echo "python3-qxbinhex does not depend on $package" >&2; exit 1; }
  done
fi
for list in runtime lib devel plugin; do
  expect_file "$work/$list.list" '^\./usr/share/doc/[a-z0-9.+-]+/changelog\.gz$'
done

depends=$(dpkg-deb -f "$runtime" Depends)
for package in 'libqt6widgets6(t64)?' 'libicu[0-9]+' 'fonts-liberation2' 'qt6-translations-l10n' \
               'qt6-qpa-plugins'; do
  grep -qE "(^|, )$package( |,|$)" <<<"$depends" ||
    { echo "vornex does not depend on $package: $depends" >&2; exit 1; }
done
grep -qE '(^|, )qt6-base-dev( |,|$)' <<<"$(dpkg-deb -f "$devel" Depends)" ||
  { echo "libqxbinhex-dev does not depend on qt6-base-dev" >&2; exit 1; }
grep -qE "(^|, )libqxbinhex1 \(= $version\)" <<<"$(dpkg-deb -f "$devel" Depends)" ||
  { echo "libqxbinhex-dev does not depend on libqxbinhex1 (= $version)" >&2; exit 1; }

# lintian's errors fail the test; its warnings are shown.
lintian --tag-display-limit 0 "${debs[@]}" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E: ' "$work/lintian.log"; then
  echo "lintian reports errors" >&2
  exit 1
fi

# The developer package works from wherever it is unpacked: a program built against it.
dpkg-deb -x "$lib" "$work/root"
dpkg-deb -x "$devel" "$work/root"
cmake -S "$source/tests/qxbinhex/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/root/usr" \
  -DHEXVIEW_EXAMPLE_DIR="$source/qxbinhex/examples/hexview" -DCMAKE_SKIP_RPATH=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" >"$work/configure.log" ||
  { cat "$work/configure.log" >&2; exit 1; }
grep -q "^QXBinHex_DIR:PATH=$work/root/usr/" "$work/consumer/CMakeCache.txt" ||
  { echo "QXBinHex was not found in the unpacked package" >&2; exit 1; }
cmake --build "$work/consumer" -j2 --target consumer_check >"$work/build.log" ||
  { cat "$work/build.log" >&2; exit 1; }

# dpkg-shlibdeps finds the library in the runtime package being "built" beside the program.
mkdir -p "$work/shlibs/debian/libqxbinhex1"
dpkg-deb -R "$lib" "$work/shlibs/debian/libqxbinhex1"
printf 'Source: check\n\nPackage: check\nArchitecture: any\n' >"$work/shlibs/debian/control"
libdir=$(dirname "$(cd "$work/shlibs/debian/libqxbinhex1" && find . -name 'libQXBinHex.so.*' | head -1)")
(cd "$work/shlibs" && dpkg-shlibdeps -O "-ldebian/libqxbinhex1/$libdir" "$work/consumer/consumer_check") \
  >"$work/shlibdeps.txt" 2>"$work/shlibdeps.err" || { cat "$work/shlibdeps.err" >&2; exit 1; }
grep -qE "libqxbinhex1 \(>= $version\)" "$work/shlibdeps.txt" ||
  { echo "dpkg-shlibdeps does not name libqxbinhex1:" >&2; cat "$work/shlibdeps.txt" "$work/shlibdeps.err" >&2; exit 1; }

# With the runtime package alone (no headers, no .so link) the program runs.
dpkg-deb -x "$lib" "$work/runtime-only"
head -c 70000 /dev/zero | tr '\0' '\132' >"$work/data.bin"
LD_LIBRARY_PATH="$work/runtime-only/$libdir" QT_QPA_PLATFORM=offscreen \
  "$work/consumer/consumer_check" "$work/data.bin" 70000
LD_LIBRARY_PATH="$work/runtime-only/$libdir" ldd "$work/consumer/consumer_check" |
  grep -F "$work/runtime-only/" | grep -q 'libQXBinHex\.so\.' ||
  { echo "consumer_check did not load the runtime package's library" >&2; exit 1; }
# The Python example runs from the Python and library packages unpacked together, the module
# finding the library through its relative run path.
if [ -n "$python" ]; then
  dpkg-deb -x "$lib" "$work/python-root"
  dpkg-deb -x "$pymodule" "$work/python-root"
  module=$work/python-root/usr/lib/python3/dist-packages/qxbinhex.abi3.so
  ldd "$module" | grep -F "$work/python-root/" | grep -q 'libQXBinHex\.so\.' ||
    { echo "the module does not load the library package's library:" >&2; ldd "$module" >&2; exit 1; }
  PYTHONPATH="$work/python-root/usr/lib/python3/dist-packages" QT_QPA_PLATFORM=offscreen \
    "$source/tests/support/run_python.sh" "$python" "$module" \
    "$source/tests/qxbinhex/python/example_check.py" \
    "$work/python-root/usr/share/doc/python3-qxbinhex/examples/hexview.py" "$work/data.bin"
fi
names=()
for deb in "${debs[@]}"; do names+=("$(basename "$deb")"); done
echo "packages checked: ${names[*]}"
