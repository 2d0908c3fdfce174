#!/usr/bin/env bash
# Draws the PNG sizes of the program icon from resources/icons/vornex.svg (needs librsvg2-bin).
# Run after changing the SVG; the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"
for size in 16 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" vornex.svg -o "${size}x${size}/vornex.png"
done
