#!/usr/bin/env bash
# Held Page Down: 200 presses sent at once with xdotool to a window showing a 1 MiB file, timed
# from the first key to the window's last repaint (repaint_probe reads the window back until it
# stops changing), for the viewer control (bench program held_keys_window), GHex and Okteta on a
# private Xvfb display. Runs each RUNS times (default 7) in turns, prints the medians and each
# program's ratio to GHex.
# Usage: held_keys_bench.sh BUILD_DIR [RUNS]; BASE_WINDOW names another held_keys_window (an older
# build of the control) to time beside.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=xvfb_bench_setup.sh
. "$(dirname "$0")/xvfb_bench_setup.sh"
build=$1
runs=${2:-7}
probe="$build/bench/repaint_probe"
presses=200

missing=
for tool in ghex okteta xdotool; do
  command -v "$tool" >/dev/null || missing="$missing $tool"
done
if [ -n "$missing" ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing >/dev/null
fi

pid=
# Ends the program timed when the script stops early, then removes $work as the setup does.
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
file="$work/data.bin"
head -c $((1 << 20)) /dev/urandom >"$file"
keys=$(for _ in $(seq "$presses"); do printf 'Next '; done)

# Starts a program, waits for its window, brings it to 1000 × 700 at the corner with the keyboard
# focus, then times the presses; appends "<ms> <images>" to $work/<name>.
time_once() {
  local name=$1
  shift
  "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  local wid
  wid=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" | tail -1)
  xdotool windowmove --sync "$wid" 0 0 windowsize --sync "$wid" 1000 700
  # Let the first pages, the fonts and any start-up work settle before the keys.
  sleep 3
  xdotool windowfocus --sync "$wid"
  sleep 0.5
  # shellcheck disable=SC2086
  "$probe" "$wid" 1500 xdotool key --delay 0 $keys >>"$work/$name"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

names=(vornex)
[ -n "${BASE_WINDOW:-}" ] && names+=(base)
names+=(ghex okteta)
for name in "${names[@]}"; do : >"$work/$name"; done
for _ in $(seq "$runs"); do
  for name in "${names[@]}"; do
    case $name in
    vornex) time_once vornex "$build/bench/held_keys_window" "$file" ;;
    base) time_once base "$BASE_WINDOW" "$file" ;;
    ghex) time_once ghex ghex "$file" ;;
    okteta) time_once okteta okteta "$file" ;;
    esac
  done
done

ghex_ms=$(cut -d' ' -f1 "$work/ghex" | median)
echo "$presses x Page Down on 1 MiB to the last repaint, median of $runs (ratio to GHex in the same run):"
for name in "${names[@]}"; do
  ms=$(cut -d' ' -f1 "$work/$name" | median)
  changes=$(cut -d' ' -f2 "$work/$name" | median)
  awk -v n="$name" -v ms="$ms" -v g="$ghex_ms" -v c="$changes" \
    'BEGIN { printf "  %-8s %8.1f ms  %5.2fx GHex  (%d distinct images seen)\n", n, ms, ms / g, c }'
done
