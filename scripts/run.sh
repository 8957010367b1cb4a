#!/usr/bin/env bash
# Builds TORVEX and starts it under Wine with a demo 1.44 MB floppy (FAT12) as
# drive A:. Arguments are passed to the program (-W for write mode).
# With a display the window opens for you. Without one (no DISPLAY) the
# program runs on Xvfb and the demo driver (tests/e2e/demo.cpp) works its
# window through messages: in read mode it presses Execute (start 0, count 1);
# in write mode it chooses the demo image in the file dialog, types 2 as the
# count, presses Execute and answers Yes. It waits for the end and prints what
# the window shows; the script takes a screenshot of the window (ImageMagick),
# checks the files (dump.img holds the floppy's first sector; dump_bak.img
# holds sectors 0 and 1 as they were and the drive the image) and says where
# they are. It exits non-zero, saying why, when the operation did not end as
# it should.
# In write mode a 2-sector demo image is made first, C:\torvex-demo\write-me.img.
#
# It runs torvex-e2e.exe, which differs from torvex.exe only in that it takes
# the drive geometry from TORVEX_GEOMETRY: Wine has no geometry call for an
# image-backed drive. Where the machine runs no 32-bit programs (or with
# TORVEX_WIN64=1) it runs the 64-bit build of the same sources under 64-bit
# Wine, and says so (scripts/machine.sh). The build folder is TORVEX_BUILD
# (default build/windows, or build/windows64 for the 64-bit build; relative to
# this folder or absolute).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
trap 'echo "run.sh: \"$BASH_COMMAND\" failed with status $?" >&2' ERR
. scripts/machine.sh
preset=$(windows_preset)
build=$(realpath -m "${TORVEX_BUILD:-build/$preset}")
TORVEX_WINEARCH=$(wine_arch "$preset")
export TORVEX_WINEARCH
if [ "$preset" = windows64 ]; then
  echo "$(why_no_32bit): the demo runs the 64-bit build of the same sources"
fi
exe=$build/torvex-e2e.exe
write_mode=false  # the program's own rule: -W anywhere in an argument, its path included
for argument in "$exe" "$@"; do
  if [[ $argument == *-W* ]]; then write_mode=true; fi
done
scripts/install-deps.sh
cmake --preset "$preset" -B "$build" >/dev/null
targets=(torvex-e2e)
if [ -z "${DISPLAY:-}" ]; then targets+=(torvex_demo); fi
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
cd "$demo"  # dump.img is saved here

if [ -n "${DISPLAY:-}" ]; then
  run_wine "$exe" "$@"
  exit 0
fi

"$root/scripts/xvfb.sh" start "$demo" >/dev/null
trap '"$root/scripts/xvfb.sh" stop "$demo" >/dev/null' EXIT  # also ends the prefix's Wine server
export DISPLAY=:$(cat "$demo/xvfb.display")

winpath() { echo "Z:${1//\//\\}"; }
rm -f dump.img trace.txt screenshot.png screenshot.taken demo.txt
driver=("$(winpath "$exe")" "$*" "$(winpath "$demo")")
if $write_mode; then driver+=('C:\torvex-demo\write-me.img' 2); fi
# The driver prints the window's rectangle last and keeps the window open until
# the screenshot is taken (screenshot.taken); then it closes TORVEX.
run_wine "$build/torvex_demo.exe" "${driver[@]}" >demo.txt 2>&1 &
driver_pid=$!
until grep -aq '^window ' demo.txt || ! kill -0 $driver_pid 2>/dev/null; do sleep 0.1; done
if read -r _ x y width height < <(grep -a '^window ' demo.txt | tr -d '\r') &&
  [ "$width" -gt 0 ]; then
  import -window root -crop "${width}x$height+$x+$y" +repage screenshot.png || true
fi
touch screenshot.taken
ended=true
wait $driver_pid || ended=false
# The window's texts are code page 932, like everything the program shows; not Wine's notes.
grep -av '^window ' demo.txt | iconv -c -f CP932 -t UTF-8 | tr -d '\r' | sed '/^wine: /d'
rm -f demo.txt screenshot.taken

problems=()
$ended || problems+=("the operation did not end with 終了 and no message box open")
files=()
if [ -f screenshot.png ]; then files+=("screenshot $demo/screenshot.png"); fi
if [ -s trace.txt ]; then files+=("trace $demo/trace.txt"); else rm -f trace.txt; fi
if $write_mode; then
  # The file dialog may have made the image's folder the current directory.
  backup=$demo/dump_bak.img
  [ -f "$backup" ] || backup=$images/dump_bak.img
  if [ ! -f "$backup" ]; then
    problems+=("no dump_bak.img was saved")
  else
    files+=("backup $backup")
    cmp -s "$backup" <(head -c 1024 floppy.img) ||
      problems+=("dump_bak.img does not hold the floppy's sectors 0 and 1 as they were")
  fi
  files+=("drive A: $prefix/drives/a.img")
  cmp -s "$prefix/drives/a.img" <(cat "$images/write-me.img"; tail -c +1025 floppy.img) ||
    problems+=("drive A: does not hold the image in sectors 0 and 1 and the rest unchanged")
  done_text="wrote the demo image over sectors 0 and 1 of the demo floppy (drive A:) on Xvfb;"
  done_text+=" dump_bak.img holds them as they were and drive A: holds the image"
else
  if [ ! -f dump.img ]; then
    problems+=("no dump.img was saved")
  else
    files+=("dump $demo/dump.img")
    cmp -s dump.img <(head -c 512 floppy.img) ||
      problems+=("dump.img does not hold the floppy's first sector, and only it")
  fi
  done_text="read sector 0 of the demo floppy (drive A:) on Xvfb; dump.img holds it"
fi

if [ ${#problems[@]} -gt 0 ]; then
  echo "run.sh: TORVEX did not do what the demo expects:" >&2
  printf '  %s\n' "${problems[@]}" >&2
  if [ ${#files[@]} -gt 0 ]; then printf '  %s\n' "${files[@]}" >&2; fi
  exit 1
fi
echo "TORVEX $done_text."
printf '  %s\n' "${files[@]}"
