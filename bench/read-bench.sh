#!/usr/bin/env bash
# Read benchmark, run by hand (not a test): TORVEX reads a 64 MiB image-backed
# drive (131,072 sectors of 512 bytes) through its window under Wine, with
# "dump.img" on and the trace redirected to a file; beside it a bare Win32
# loop of the same per-sector reads on the same drive under the same Wine,
# and dd bs=512 natively on the image. Prints times, MB/s, ratios and
# TORVEX's peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
sectors=${1:-131072}
scripts/install-deps.sh >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target torvex-e2e torvex_read_bench >/dev/null

bench=$root/build/windows/bench
prefix=$bench/wineprefix
mkdir -p "$bench/work"
scripts/wine-prefix.sh "$prefix"
head -c $((sectors * 512)) /dev/urandom >"$prefix/drives/a.img"

"$root/scripts/xvfb.sh" start "$bench" >/dev/null
trap '"$root/scripts/xvfb.sh" stop "$bench" >/dev/null' EXIT  # also ends the prefix's Wine server
export DISPLAY=:$(cat "$bench/xvfb.display")
export TORVEX_WINEPREFIX=$prefix

winpath() { echo "Z:${1//\//\\}"; }
scripts/wine-run.sh "$root/build/windows/torvex_read_bench.exe" \
  "$(winpath "$root/build/windows/torvex-e2e.exe")" "$(winpath "$bench/work")" "$sectors"

cmp -s "$bench/work/dump.img" "$prefix/drives/a.img" && echo "dump.img                identical to the image"
start=$(date +%s.%N)
dd if="$prefix/drives/a.img" of=/dev/null bs=512 status=none
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" -v n="$sectors" \
  'BEGIN { t = e - s; printf "dd bs=512 natively      %.2f s  %.1f MB/s\n", t, n * 512 / 1e6 / t }'
