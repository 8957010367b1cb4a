#!/usr/bin/env bash
# Builds TORVEX and starts it under Wine with a demo 1.44 MB floppy (FAT12) as
# drive A:. Arguments are passed to the program (-W for write mode).
# With a display the window opens for you; without one (no DISPLAY) the
# program runs on Xvfb, Execute is clicked once and a screenshot is saved.
#
# It runs torvex-e2e.exe, which differs from torvex.exe only in that it takes
# the drive geometry from TORVEX_GEOMETRY: Wine has no geometry call for an
# image-backed drive.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target torvex-e2e

demo=$root/build/windows/demo
prefix=$demo/wineprefix
mkdir -p "$demo"
scripts/wine-prefix.sh "$prefix"
rm -f "$demo/floppy.img"
mkfs.fat -C -n "TORVEX DEMO" "$demo/floppy.img" 1440 >/dev/null
cp "$demo/floppy.img" "$prefix/drives/a.img"

export WINEPREFIX=$prefix
. scripts/wine-env.sh
export TORVEX_GEOMETRY=80,2,2,18,512  # cylinders, Floppy, tracks, sectors, bytes
exe=$root/build/windows/torvex-e2e.exe
cd "$demo"  # dump.img is saved here

if [ -n "${DISPLAY:-}" ]; then
  run_wine "$exe" "$@"
  exit 0
fi

"$root/scripts/xvfb.sh" start "$demo" >/dev/null
trap '"$root/scripts/xvfb.sh" stop "$demo" >/dev/null' EXIT  # also ends the prefix's Wine server
export DISPLAY=:$(cat "$demo/xvfb.display")
run_wine "$exe" "$@" >"$demo/trace.txt" 2>/dev/null &
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^TORVEX Ver1.0$' | head -n 1)
sleep 1
# The Execute button sits at (300, 15) in the client area, 82 x 36 pixels.
# The screenshot keeps room beside the window for a message box.
xdotool mousemove --window "$window" 341 33 click 1
sleep 3
import -window root -crop 720x560+40+20 "$demo/screenshot.png"
echo "TORVEX ran on Xvfb: screenshot $demo/screenshot.png, trace $demo/trace.txt, dump $demo/dump.img"
