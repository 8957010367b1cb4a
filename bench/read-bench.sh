#!/usr/bin/env bash
# Read benchmark, run by hand (not a test): TORVEX reads a 64 MiB image-backed
# drive (131,072 sectors of 512 bytes) through its window under Wine, with
# "dump.img" on and the trace redirected to a file, alternating three times
# with a bare Win32 loop of the same per-sector reads on the same drive under
# the same Wine; then dd bs=512 natively on the image. Prints every round,
# the medians, the median of the paired ratios and TORVEX's peak memory.
# Usage: [TORVEX_BUILD=build/windows] bench/read-bench.sh [SECTORS]
sectors=${1:-131072}
drive_sectors=$sectors
. "$(dirname "$0")/bench-setup.sh" torvex_read_bench

scripts/wine-run.sh "$build/torvex_read_bench.exe" \
  "$(winpath "$build/torvex-e2e.exe")" "$(winpath "$bench/work")" "$sectors"

cmp -s "$bench/work/dump.img" "$prefix/drives/a.img" && echo "dump.img identical to the image"
start=$(date +%s.%N)
dd if="$prefix/drives/a.img" of=/dev/null bs=512 status=none
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" -v n="$sectors" \
  'BEGIN { t = e - s; printf "dd bs=512 natively  %.2f s  %.1f MiB/s\n", t, n * 512 / 1048576 / t }'
