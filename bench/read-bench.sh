#!/usr/bin/env bash
# Read benchmark, run by hand (not a test): TORVEX reads an image-backed drive
# through its window under Wine, with "dump.img" on and the trace redirected
# to a file, alternating five times with a bare Win32 loop of the work such a
# read must do (the per-sector reads, dump.img saved through a flushed partial
# file, every byte echoed to a trace) on the same drive under the same Wine,
# at 64 MiB and 256 MiB (131,072 and 524,288 sectors of 512 bytes); then
# dd bs=512 natively on the image. Prints every round, the medians, the median
# of the paired ratios, TORVEX's peak memory and both broken down by phase.
# TORVEX_EXE times another build of torvex-e2e.exe (a Unix path), for figures
# before and after a change.
# Usage: [TORVEX_WIN64=1] [TORVEX_BUILD=...] [TORVEX_EXE=...] bench/read-bench.sh [SECTORS...]
sizes=("$@")
. "$(dirname "$0")/bench-setup.sh" torvex_read_bench

for sectors in "${sizes[@]}"; do
  truncate -s $((sectors * 512)) "$prefix/drives/a.img"
  previous_file "$bench/work/dump.img" $((sectors * 512))
  previous_file "$bench/work/bare/dump.img" $((sectors * 512))
  scripts/wine-run.sh "$build/torvex_read_bench.exe" "$(winpath "$program")" \
    "$(winpath "$bench/work")" "$sectors"
  cmp -s "$bench/work/dump.img" "$prefix/drives/a.img" &&
    echo "  dump.img identical to the drive"
  start=$(date +%s.%N)
  dd if="$prefix/drives/a.img" of=/dev/null bs=512 status=none
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v n="$sectors" 'BEGIN {
    t = e - s
    printf "  dd bs=512 natively  %.2f s  %.1f MiB/s\n", t, n * 512 / 1048576 / t
  }'
  rm -f "$bench/work/dump.img" "$bench/work/trace.txt" "$bench/work/bare/dump.img" \
    "$bench/work/bare/trace.txt"
done
