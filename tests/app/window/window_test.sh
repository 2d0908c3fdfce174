#!/usr/bin/env bash
# Starts the built program on a private Xvfb display, waits (bounded) for its main window titled
# "VORNEX v1.00 beta" to be mapped, closes it as a window manager would and expects a clean exit.
# Usage: window_test.sh VORNEX X11_CLOSE_WINDOW
set -euo pipefail
vornex=$1
close_window=$2
work=$(mktemp -d)
xvfb=
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the given descriptor.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
export QT_QPA_PLATFORM=xcb

"$vornex" &
app=$!
"$close_window" "VORNEX v1.00 beta" 60

for _ in $(seq 300); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  echo "the program did not end after its window was closed" >&2
  exit 1
fi
status=0
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || { echo "the program ended with status $status" >&2; exit 1; }
echo "window mapped with its title and closed cleanly"
