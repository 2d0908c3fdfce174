#!/usr/bin/env bash
# Takes a screenshot of the real main window under Xvfb with a file open and its address order
# mirrored: scripts/screenshot.sh FILE OUT.png. Needs xvfb, xdotool and imagemagick.
set -euo pipefail
file=${1:?file to open}
out=${2:?output png}
cd "$(dirname "$0")/.."
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
build/app/vornex &
app=$!
sleep 3
wid=$(xdotool search --onlyvisible --name "VORNEX v1.00" | head -1)
eval "$(xdotool getwindowgeometry --shell "$wid")"
xdotool mousemove $((X + 20)) $((Y + 8)) click 1; sleep 0.7          # Файл
xdotool mousemove $((X + 40)) $((Y + 32)) click 1; sleep 1.5         # Открыть...
xdotool type --delay 20 "$file"; xdotool key Return; sleep 1.5
xdotool mousemove $((X + 750)) $((Y + 390)) click 1; sleep 1         # Инвертировать адреса
import -window root /tmp/vornex-root.png
convert /tmp/vornex-root.png -crop "854x700+$X+$Y" +repage "$out"
kill $app
