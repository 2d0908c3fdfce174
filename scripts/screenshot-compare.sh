#!/usr/bin/env bash
# Takes a screenshot of the real main window under Xvfb comparing two images: the first named on
# the command line, the second chosen through File > Сравнить с..., the differences marked in both
# viewers. scripts/screenshot-compare.sh OUT.png [FIRST SECOND]; without files it makes a pair
# that differs in a few places near the start and in length. VORNEX names the program
# (build/app/vornex by default). Needs xvfb, xdotool, imagemagick and python3.
set -euo pipefail
out=$(realpath -m "${1:?output png}")
cd "$(dirname "$0")/.."
vornex=$(realpath "${VORNEX:-build/app/vornex}")
work=$(mktemp -d)
first=${2:-$work/firmware-v1.bin}
second=${3:-$work/firmware-v2.bin}
if [ $# -lt 3 ]; then
  python3 - "$first" "$second" <<'PY'
import random, sys
random.seed(1980)
text = b"VORNEX boot loader v1.2 (c) firmware team. Reset vector table follows. "
first = bytearray(text * 3)
first += bytes(random.randrange(256) for _ in range(4096 - len(first)))
second = bytearray(first)
second[8:12] = b"v1.3"
for at in (0x0A3, 0x0A4, 0x0F0, 0x133, 0x134, 0x135):
    second[at] ^= 0xFF
second += b"\xFF" * 40
open(sys.argv[1], "wb").write(first)
open(sys.argv[2], "wb").write(second)
PY
fi
export DISPLAY=:96
Xvfb "$DISPLAY" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
"$vornex" "$first" &
app=$!
sleep 3
wid=$(xdotool search --onlyvisible --name "VORNEX v1.00" | head -1)
eval "$(xdotool getwindowgeometry --shell "$wid")"
xdotool mousemove $((X + 20)) $((Y + 8)) click 1; sleep 0.7          # Файл
xdotool key Down Down Return; sleep 1.5                               # Сравнить с...
xdotool type --delay 20 "$second"; xdotool key Return; sleep 1.5
xdotool mousemove $((X + 700)) $((Y + 250)); sleep 0.5                # the pointer off the dumps
import -window root "$work/root.png"
convert "$work/root.png" -crop "854x700+$X+$Y" +repage "$out"
kill $app
