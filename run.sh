#!/usr/bin/env bash
# Sets up, builds a Release build in build/ and starts Vornex.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target vornex -j"$(nproc)"
exec build/app/vornex "$@"
