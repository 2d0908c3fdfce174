#!/usr/bin/env bash
# Start-up time to the main window mapped on a private Xvfb display: vornex next to a minimal Qt
# program built the same way. Runs each RUNS times (default 21) in turns after two warm-up runs,
# prints both medians in milliseconds and their ratio, for the elapsed time and for the processor
# time the program used until its window was mapped.
# Usage: startup_bench.sh BUILD_DIR [RUNS]; VORNEX names another vornex program to time.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=xvfb_bench_setup.sh
. "$(dirname "$0")/xvfb_bench_setup.sh"
build=$1
runs=${2:-21}
timer="$build/bench/map_timer"
vornex="${VORNEX:-$build/app/vornex}"
minimal="$build/bench/minimal_window"

for _ in 1 2; do
  "$timer" "$vornex" >/dev/null
  "$timer" "$minimal" >/dev/null
done
: >"$work/vornex"
: >"$work/minimal"
for _ in $(seq "$runs"); do
  "$timer" "$vornex" >>"$work/vornex"
  "$timer" "$minimal" >>"$work/minimal"
done
vw=$(cut -d' ' -f1 "$work/vornex" | median)
vc=$(cut -d' ' -f2 "$work/vornex" | median)
mw=$(cut -d' ' -f1 "$work/minimal" | median)
mc=$(cut -d' ' -f2 "$work/minimal" | median)
awk -v vw="$vw" -v vc="$vc" -v mw="$mw" -v mc="$mc" -v n="$runs" 'BEGIN {
  printf "start to window mapped, median of %d: vornex %.1f ms, minimal Qt window %.1f ms, ratio %.2f\n", n, vw, mw, vw / mw
  printf "processor time to then, median of %d: vornex %.1f ms, minimal Qt window %.1f ms, ratio %.2f\n", n, vc, mc, vc / mc
}'
