#!/usr/bin/env bash
# Start-up time to the main window mapped on a private Xvfb display: vornex next to a minimal Qt
# program built the same way. Runs each RUNS times (default 21) in turns after two warm-up runs,
# prints both medians in milliseconds and their ratio, for the elapsed time and for the processor
# time the program used until its window was mapped.
# Usage: startup_bench.sh BUILD_DIR [RUNS]; VORNEX names another vornex program to time.
set -euo pipefail
if [ -z "${VORNEX_ON_PRIVATE_XVFB:-}" ]; then
  VORNEX_ON_PRIVATE_XVFB=1 exec "$(dirname "$0")/../tests/x11/with_xvfb.sh" "$0" "$@"
fi
build=$1
runs=${2:-21}
timer="$build/bench/map_timer"
vornex="${VORNEX:-$build/app/vornex}"
minimal="$build/bench/minimal_window"

# A private runtime folder: Qt asks for one and warns on every start without it.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for _ in 1 2; do
  "$timer" "$vornex" >/dev/null
  "$timer" "$minimal" >/dev/null
done
: >"$runtime/vornex"
: >"$runtime/minimal"
for _ in $(seq "$runs"); do
  "$timer" "$vornex" >>"$runtime/vornex"
  "$timer" "$minimal" >>"$runtime/minimal"
done
vw=$(cut -d' ' -f1 "$runtime/vornex" | median)
vc=$(cut -d' ' -f2 "$runtime/vornex" | median)
mw=$(cut -d' ' -f1 "$runtime/minimal" | median)
mc=$(cut -d' ' -f2 "$runtime/minimal" | median)
awk -v vw="$vw" -v vc="$vc" -v mw="$mw" -v mc="$mc" -v n="$runs" 'BEGIN {
  printf "start to window mapped, median of %d: vornex %.1f ms, minimal Qt window %.1f ms, ratio %.2f\n", n, vw, mw, vw / mw
  printf "processor time to then, median of %d: vornex %.1f ms, minimal Qt window %.1f ms, ratio %.2f\n", n, vc, mc, vc / mc
}'
