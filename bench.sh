#!/usr/bin/env bash
# Sets up, builds the benchmarks in Release and runs them.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVORNEX_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)"
for b in build-bench/bench/*_bench; do
  [ -x "$b" ] && QT_QPA_PLATFORM=offscreen "$b" "$@"
done
# vornex-tool end to end on a 256 MiB file, next to dd and srec_cat.
bench/tool_bench.sh build-bench/tool/vornex-tool
# Start-up to the main window mapped, next to a minimal Qt window.
bench/startup_bench.sh build-bench
