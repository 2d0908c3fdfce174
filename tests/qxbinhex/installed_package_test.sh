#!/usr/bin/env bash
# Installs the library's files into a scratch prefix, moves the prefix elsewhere (the package must
# not remember where it was installed), then builds a program and the hexview example against it
# with find_package(QXBinHex) and runs the program, which must use the moved library.
# Usage: installed_package_test.sh BUILD_DIR SOURCE_DIR WORK_DIR [CXX_FLAGS [COMPILER_LAUNCHER]]
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(realpath -m "$3")
cxxflags=${4:-}
launcher=${5:-}

rm -rf "$work/installed" "$work/moved"
mkdir -p "$work"
for component in lib devel; do
  cmake --install "$build" --prefix "$work/installed" --component $component >/dev/null
done
mv "$work/installed" "$work/moved"
prefix=$work/moved

# Public headers stand on Qt and the standard library alone.
if grep -rnE '#[[:space:]]*include[[:space:]]*<(unicode/|sys/|fcntl\.h|unistd\.h|dirent\.h|iconv\.h|langinfo\.h)' \
    "$prefix/include"; then
  echo "an installed header includes an ICU or system header" >&2
  exit 1
fi
[ -f "$prefix/include/QXBinHex/QXBinHex.h" ] || { echo "QXBinHex.h not installed" >&2; exit 1; }
if find "$prefix/include" -name '*_p.h' | grep -q .; then
  echo "a private header was installed" >&2
  exit 1
fi

cmake -S "$source/tests/qxbinhex/consumer" -B "$work/build" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_PREFIX_PATH="$prefix" -DHEXVIEW_EXAMPLE_DIR="$source/qxbinhex/examples/hexview" \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" >"$work/configure.log" ||
  { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" -j2 >"$work/build.log" || { cat "$work/build.log" >&2; exit 1; }
[ -x "$work/build/hexview/hexview" ] || { echo "the example was not built" >&2; exit 1; }

if ! ldd "$work/build/consumer_check" | grep -F "$prefix/" | grep -q 'libQXBinHex\.so'; then
  echo "consumer_check does not load libQXBinHex from the moved prefix:" >&2
  ldd "$work/build/consumer_check" >&2
  exit 1
fi

head -c 70000 /dev/zero | tr '\0' '\132' >"$work/data.bin"
"$work/build/consumer_check" "$work/data.bin" 70000
echo "built and ran against the package in $prefix"
