#!/usr/bin/env bash
# Starts the built program on a private Xvfb display, waits (bounded) for its main window titled
# "VORNEX v1.00 beta" to be mapped with the window class its desktop file names (StartupWMClass),
# closes it as a window manager would and expects a clean exit.
# Usage: window_test.sh VORNEX X11_CLOSE_WINDOW DESKTOP_FILE
set -euo pipefail
# The run itself happens on a private Xvfb display started by with_xvfb.sh.
if [ -z "${VORNEX_ON_PRIVATE_XVFB:-}" ]; then
  VORNEX_ON_PRIVATE_XVFB=1 exec "$(dirname "$0")/../../x11/with_xvfb.sh" "$0" "$@"
fi
vornex=$1
close_window=$2
wm_class=$(sed -n 's/^StartupWMClass=//p' "$3")
[ -n "$wm_class" ] || { echo "$3 names no StartupWMClass" >&2; exit 1; }
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
}
trap cleanup EXIT

"$vornex" &
app=$!
"$close_window" "VORNEX v1.00 beta" 60 "$wm_class"

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
