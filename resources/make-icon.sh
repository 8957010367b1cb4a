#!/usr/bin/env bash
# Draws the program's icon: one 32 x 32 image, a floppy disk with a hex
# digit pair on its label. Needs ImageMagick; the result is committed.
set -euo pipefail
out=${1:-$(dirname "$0")/torvex.ico}
convert -size 32x32 xc:none \
  -fill '#1f3f8f' -draw 'roundrectangle 1,1 30,30 3,3' \
  -fill '#c8c8c8' -draw 'rectangle 8,2 23,11' \
  -fill '#1f3f8f' -draw 'rectangle 18,4 21,9' \
  -fill '#f4f4f4' -draw 'rectangle 5,15 26,29' \
  -fill '#c01010' -draw 'rectangle 5,15 26,17' \
  -fill '#202020' -draw 'rectangle 8,20 10,26' -draw 'rectangle 12,20 14,26' \
  -draw 'rectangle 17,20 19,26' -draw 'rectangle 21,20 23,26' \
  -define icon:auto-resize=32 -type TrueColorAlpha "$out"
