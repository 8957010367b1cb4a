#!/usr/bin/env bash
# Builds TORVEX and starts it under Wine with a demo 1.44 MB floppy (FAT12) as
# drive A:. Arguments are passed to the program (-W for write mode).
# With a display the window opens for you; without one (no DISPLAY) the
# program runs on Xvfb and a screenshot is saved: in read mode Execute is
# clicked once; in write mode the demo image is chosen in the file dialog,
# Execute pressed and the confirmation answered Yes.
# In write mode a 2-sector demo image is made first, C:\torvex-demo\write-me.img.
#
# It runs torvex-e2e.exe, which differs from torvex.exe only in that it takes
# the drive geometry from TORVEX_GEOMETRY: Wine has no geometry call for an
# image-backed drive. The build folder is TORVEX_BUILD (default build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${TORVEX_BUILD:-build/windows}
write_mode=false
for argument in "$@"; do [ "$argument" = -W ] && write_mode=true; done
scripts/install-deps.sh
cmake --preset windows -B "$build" >/dev/null
targets=(torvex-e2e)
if $write_mode && [ -z "${DISPLAY:-}" ]; then targets+=(torvex_write_demo); fi
cmake --build "$build" -j2 --target "${targets[@]}"

demo=$build/demo
prefix=$demo/wineprefix
mkdir -p "$demo"
scripts/wine-prefix.sh "$prefix"
rm -f "$demo/floppy.img"
mkfs.fat -C -n "TORVEX DEMO" "$demo/floppy.img" 1440 >/dev/null
cp "$demo/floppy.img" "$prefix/drives/a.img"

if $write_mode; then
  # Two sectors of text to write over sectors 0 and 1 (the file dialog takes C:\ paths only).
  images=$prefix/drive_c/torvex-demo
  mkdir -p "$images"
  rm -f "$images/dump_bak.img" "$demo/dump_bak.img"
  for sector in 0 1; do
    for _ in $(seq 16); do printf '%-31s\n' "TORVEX write demo, sector $sector"; done
  done >"$images/write-me.img"
  echo "image to write: C:\\torvex-demo\\write-me.img (2 sectors; type 2 as the count)"
fi

export WINEPREFIX=$prefix
. scripts/wine-env.sh
export TORVEX_GEOMETRY=80,2,2,18,512  # cylinders, Floppy, tracks, sectors, bytes
exe=$build/torvex-e2e.exe
cd "$demo"  # dump.img is saved here

if [ -n "${DISPLAY:-}" ]; then
  run_wine "$exe" "$@"
  exit 0
fi

"$root/scripts/xvfb.sh" start "$demo" >/dev/null
trap '"$root/scripts/xvfb.sh" stop "$demo" >/dev/null' EXIT  # also ends the prefix's Wine server
export DISPLAY=:$(cat "$demo/xvfb.display")

if $write_mode; then
  winpath() { echo "Z:${1//\//\\}"; }
  rm -f "$demo/write-mode.bmp"
  TORVEX_SCREENSHOTS=$demo run_wine "$build/torvex_write_demo.exe" "$(winpath "$exe")" "$*" \
    "$(winpath "$demo")" 'C:\torvex-demo\write-me.img' 2 2>/dev/null
  convert "$demo/write-mode.bmp" "$demo/screenshot.png"
  # The file dialog may have made the image's folder the current directory.
  backup=$demo/dump_bak.img
  [ -f "$backup" ] || backup=$images/dump_bak.img
  echo "TORVEX wrote on Xvfb: screenshot $demo/screenshot.png, trace $demo/trace.txt," \
    "backup $backup, drive A: $prefix/drives/a.img"
  exit 0
fi

run_wine "$exe" "$@" >"$demo/trace.txt" 2>/dev/null &
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^TORVEX Ver1.0$' | head -n 1)
sleep 1
# The Execute button sits at (300, 15) in the client area, 82 x 36 pixels.
# The screenshot keeps room beside the window for a message box.
xdotool mousemove --window "$window" 341 33 click 1
sleep 3
import -window root -crop 720x560+40+20 "$demo/screenshot.png"
echo "TORVEX ran on Xvfb: screenshot $demo/screenshot.png, trace $demo/trace.txt, dump $demo/dump.img"
