#!/usr/bin/env bash
# Builds TORVEX and starts it under Wine with a demo 1.44 MB floppy (FAT12) as drive A:; arguments
# go to the program (-W for write mode, which first gets a 2-sector image to write,
# C:\torvex-demo\write-me.img). With a display the window opens for you. Without one it runs on
# Xvfb and the demo driver (tests/e2e/demo.cpp) does the main job through the window: a read of
# sector 0, or a write of the image over sectors 0 and 1. The script prints what the window shows,
# takes its screenshot, checks the files and says where they are; it fails, saying why, when the
# operation did not end as it should. It runs torvex-e2e.exe, which takes the drive geometry from
# TORVEX_GEOMETRY (Wine has none for an image-backed drive), of the build this machine can run
# (scripts/machine.sh) in TORVEX_BUILD (default build/windows or build/windows64).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
trap 'echo "run.sh: \"$BASH_COMMAND\" failed with status $?" >&2' ERR
. scripts/machine.sh
preset=$(windows_preset)
build=$(realpath -m "${TORVEX_BUILD:-build/$preset}")
export TORVEX_WINEARCH=$(wine_arch "$preset")
[ "$preset" = windows ] || echo "$(why_no_32bit): the demo runs the 64-bit build of the same sources"
exe=$build/torvex-e2e.exe
write_mode=false  # the program's own rule: -W anywhere in an argument, its path included
for argument in "$exe" "$@"; do [[ $argument != *-W* ]] || write_mode=true; done
scripts/install-deps.sh
cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j2 --target torvex-e2e torvex_demo

demo=$build/demo
prefix=$demo/wineprefix
images=$prefix/drive_c/torvex-demo  # the file dialog takes C:\ paths only
mkdir -p "$images"
scripts/wine-prefix.sh "$prefix"
rm -f "$demo/floppy.img" "$images/dump_bak.img" "$demo"/{dump.img,dump_bak.img,trace.txt,screenshot.*}
mkfs.fat -C -n "TORVEX DEMO" "$demo/floppy.img" 1440 >/dev/null
cp "$demo/floppy.img" "$prefix/drives/a.img"
for sector in 0 1; do
  for _ in $(seq 16); do printf '%-31s\n' "TORVEX write demo, sector $sector"; done
done >"$images/write-me.img"
! $write_mode || echo "image to write: C:\\torvex-demo\\write-me.img (2 sectors; type 2 as the count)"

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

# The driver prints the window's rectangle last and keeps TORVEX until the picture is taken.
winpath() { echo "Z:${1//\//\\}"; }
driver=("$(winpath "$exe")" "$*" "$(winpath "$demo")")
! $write_mode || driver+=('C:\torvex-demo\write-me.img' 2)
run_wine "$build/torvex_demo.exe" "${driver[@]}" >demo.txt 2>&1 &
driver_pid=$!
until grep -aq '^window ' demo.txt || ! kill -0 $driver_pid 2>/dev/null; do sleep 0.1; done
if read -r _ x y width height < <(grep -a '^window ' demo.txt | tr -d '\r'); then
  import -window root -crop "${width}x$height+$x+$y" +repage screenshot.png || true
fi
touch screenshot.taken
ended=true
wait $driver_pid || ended=false
# The window's texts are code page 932, like everything the program shows; not Wine's notes.
grep -av '^window ' demo.txt | iconv -c -f CP932 -t UTF-8 | tr -d '\r' | sed '/^wine: /d'
rm -f demo.txt screenshot.taken

problems=()
$ended || problems+=("the operation did not end with 終了")
files=("screenshot $demo/screenshot.png")
[ ! -s trace.txt ] || files+=("trace $demo/trace.txt")
# expect NAME FILE WHAT: the file NAME, at FILE, holds WHAT, the bytes of expected.img.
expect() {
  files+=("$1 $2")
  if [ ! -f "$2" ]; then
    problems+=("no $1 was saved")
  elif ! cmp -s "$2" expected.img; then
    problems+=("$1 does not hold $3")
  fi
}
if $write_mode; then
  # The file dialog may have made the image's folder the current directory.
  backup=$demo/dump_bak.img
  [ -f "$backup" ] || backup=$images/dump_bak.img
  head -c 1024 floppy.img >expected.img
  expect dump_bak.img "$backup" "the floppy's sectors 0 and 1 as they were"
  cat "$images/write-me.img" <(tail -c +1025 floppy.img) >expected.img
  expect "drive A:" "$prefix/drives/a.img" "the image in sectors 0 and 1 and the rest unchanged"
  done_text="wrote the demo image over sectors 0 and 1 of the demo floppy (drive A:)"
else
  head -c 512 floppy.img >expected.img
  expect dump.img "$demo/dump.img" "the floppy's first sector, and only it"
  done_text="read sector 0 of the demo floppy (drive A:); dump.img holds it"
fi
rm expected.img
if [ ${#problems[@]} -gt 0 ]; then
  echo "run.sh: TORVEX did not do what the demo expects:" >&2
  printf '  %s\n' "${problems[@]}" "${files[@]}" >&2
  exit 1
fi
echo "TORVEX on Xvfb $done_text."
printf '  %s\n' "${files[@]}"
