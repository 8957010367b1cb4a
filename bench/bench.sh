#!/usr/bin/env bash
# The benchmark, by hand, never by the tests: in each mode and size, TORVEX through its window
# against the bare program doing the same work (bench/bench.cpp, bench/bare.cpp) under the same
# Wine, in the build this machine runs; their prefix and display are in the build's bench/.
# Usage: [TORVEX_BENCH_ROUNDS=10] [TORVEX_BUILD=...] bench/bench.sh [read] [write] [MIB...]
# (default: both modes, 64 and 256 MiB).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/machine.sh
preset=$(windows_preset)
build=$(realpath -m "${TORVEX_BUILD:-build/$preset}")
TORVEX_WINEARCH=$(wine_arch "$preset")
export TORVEX_WINEARCH
modes=$(printf '%s\n' "$@" | grep -xE 'read|write' || echo read write)
sizes=$(printf '%s\n' "$@" | grep -xE '[0-9]+' || echo 64 256)
rounds=${TORVEX_BENCH_ROUNDS:-10}
echo "benchmark: $(windows_build_words), $rounds rounds; load $(cut -d' ' -f1-3 /proc/loadavg)"
cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j2 --target torvex-e2e torvex_bench torvex_bench_bare >/dev/null

bench=$build/bench
export TORVEX_WINEPREFIX=$bench/wineprefix
export TORVEX_GEOMETRY=80,2,2,18,512  # cylinders, Floppy, tracks, sectors, bytes
mkdir -p "$bench/torvex" "$bench/bare"
scripts/wine-prefix.sh "$TORVEX_WINEPREFIX"
scripts/xvfb.sh start "$bench" >/dev/null
trap '"$root/scripts/xvfb.sh" stop "$bench" >/dev/null' EXIT  # also ends the prefix's Wine server
winpath() { echo "Z:${1//\//\\}"; }
drive=$TORVEX_WINEPREFIX/drives/a.img
image=$TORVEX_WINEPREFIX/drive_c/bench.img  # the file dialog takes C:\ paths only

summary=()
for mode in $modes; do
  for mib in $sizes; do
    echo "$mode of $mib MiB ($((mib * 2048)) sectors of 512 bytes):"
    head -c $((mib << 20)) /dev/urandom >"$drive"
    [ "$mode" = read ] || head -c $((mib << 20)) /dev/urandom >"$image"  # the image to write
    file=dump.img
    [ "$mode" = read ] || file=dump_bak.img
    # A previous file of full size on each side, on the disk, so that every rename replaces one;
    # no partial file that a side killed mid-save left, which would stop every later save.
    for side in torvex bare; do head -c $((mib << 20)) /dev/zero >"$bench/$side/$file"; done
    rm -f "$bench"/*/*.tmp
    sync
    scripts/wine-run.sh "$build/torvex_bench.exe" "$mode" $((mib * 2048)) "$rounds" \
      "$(winpath "$build/torvex-e2e.exe")" "$(winpath "$bench/torvex")" \
      "$(winpath "$build/torvex_bench_bare.exe")" "$(winpath "$bench/bare")" \
      $([ "$mode" = write ] && echo 'C:\bench.img') 2> >(grep -v 'Read access denied for' >&2) |
      tr -d '\r' | tee "$bench/output.txt"  # without Wine's note on the file dialog's look at Z:
    summary+=("$(grep "^$mode $mib MiB:" "$bench/output.txt")")
    # What the last round left: both dump files hold the drive, or the drive holds the image.
    if [ "$mode" = read ]; then
      cmp "$bench/torvex/dump.img" "$drive" && cmp "$bench/bare/dump.img" "$drive"
    else
      cmp "$image" "$drive"
    fi
  done
done
echo "load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%s\n' "${summary[@]}"
