#!/usr/bin/env bash
# Sets up, builds the suite with AddressSanitizer and UndefinedBehaviorSanitizer, runs it headless.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
# The /usr prefix gives the Debian layout the packaging tests check; nothing is installed there.
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DVORNEX_TESTS=ON -DVORNEX_SANITIZE=ON \
  -DVORNEX_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build-test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
cd build-test
ctest --output-on-failure -j"$(nproc)"
cd ..

# The fuzz harnesses: a clang build of their own, 20 seconds each on the committed corpus.
./fuzz.sh 20
