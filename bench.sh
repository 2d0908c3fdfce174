#!/usr/bin/env bash
# Sets up, builds the benchmarks in Release and runs them. The drawing benchmark runs a second time
# against the baseline commit (BASE, default 0991897) built with the same bench sources, and the
# ratio new/old of each figure is printed.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
base=${BASE:-0991897}
jobs=${JOBS:-$(nproc)}
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVORNEX_BENCH=ON >/dev/null
cmake --build build-bench -j"$jobs"

# The baseline: its sources with this tree's bench folder, built beside.
rm -rf build-bench-base/src
mkdir -p build-bench-base/src
git archive "$base" | tar -x -C build-bench-base/src
rm -rf build-bench-base/src/bench
cp -r bench build-bench-base/src/bench
cmake -S build-bench-base/src -B build-bench-base/build -DCMAKE_BUILD_TYPE=Release \
  -DVORNEX_BENCH=ON >/dev/null
cmake --build build-bench-base/build -j"$jobs" --target draw_bench

for b in build-bench/bench/*_bench; do
  [ -x "$b" ] && [ "$(basename "$b")" != draw_bench ] && QT_QPA_PLATFORM=offscreen "$b" "$@"
done

# Both drawing benchmarks in the same sitting, then new/old per figure (medians).
QT_QPA_PLATFORM=offscreen build-bench-base/build/bench/draw_bench --benchmark_format=json "$@" \
  >build-bench-base/draw_old.json
QT_QPA_PLATFORM=offscreen build-bench/bench/draw_bench --benchmark_format=json "$@" \
  >build-bench/draw_new.json
python3 - build-bench-base/draw_old.json build-bench/draw_new.json <<'PY'
import json, sys
def medians(path):
    runs = json.load(open(path))["benchmarks"]
    return {r["run_name"]: (r["real_time"], r["cpu_time"], r["time_unit"]) for r in runs
            if r.get("aggregate_name") == "median"}
old, new = medians(sys.argv[1]), medians(sys.argv[2])
# CPU time beside wall time: on a shared machine the wall time also counts the waits for a core.
print(f"{'figure':40} {'before':>10} {'after':>10} {'ratio':>6} {'cpu ratio':>9}")
for name, (real_old, cpu_old, unit) in old.items():
    if name in new:
        real_new, cpu_new, _ = new[name]
        print(f"{name:40} {real_old:7.3f} {unit} {real_new:7.3f} {unit} "
              f"{real_new / real_old:6.2f} {cpu_new / cpu_old:9.2f}")
PY

# vornex-tool end to end on a 256 MiB file, next to dd and srec_cat.
bench/tool_bench.sh build-bench/tool/vornex-tool
# compare and CRC-32 on 256 MiB files, next to cmp, Python's zlib and srec_cat.
bench/tool_bench_check.sh build-bench/tool/vornex-tool
# Reading a 256 MiB Intel HEX and S-record file, next to objcopy: speed and peak memory.
bench/tool_bench_formats.sh build-bench/tool/vornex-tool
# Start-up to the main window mapped, next to a minimal Qt window.
bench/startup_bench.sh build-bench
# 200 x Page Down on a 1 MiB file to the last repaint, next to GHex and Okteta.
bench/held_keys_bench.sh build-bench
