#!/usr/bin/env bash
# Write benchmark, run by hand (not a test): TORVEX writes an image from C:
# onto an image-backed drive A: through its window under Wine in write mode
# (the image chosen in the file dialog, Execute, Yes; backup to
# "dump_bak.img", write, read-back and check), alternating five times with a
# bare Win32 loop of the work such a write must do on the same drive under the
# same Wine, at 64 MiB and 256 MiB (131,072 and 524,288 sectors of 512 bytes).
# Prints every round, the medians, the median of the paired ratios, TORVEX's
# peak memory, both broken down by phase and what the progress texts cost on
# the display. TORVEX_EXE times another build of torvex-e2e.exe (a Unix path),
# for figures before and after a change.
# Usage: [TORVEX_WIN64=1] [TORVEX_BUILD=...] [TORVEX_EXE=...] bench/write-bench.sh [SECTORS...]
sizes=("$@")
. "$(dirname "$0")/bench-setup.sh" torvex_write_bench

images=$prefix/drive_c/bench  # the file dialog takes C:\ paths only
mkdir -p "$images"
for sectors in "${sizes[@]}"; do
  image=$images/write-$sectors.img
  head -c $((sectors * 512)) /dev/urandom >"$image"
  previous_file "$bench/work/dump_bak.img" $((sectors * 512))
  previous_file "$bench/work/bare/dump_bak.img" $((sectors * 512))
  scripts/wine-run.sh "$build/torvex_write_bench.exe" \
    "$(winpath "$program")" "$(winpath "$bench/work")" "$sectors" \
    "C:\\bench\\write-$sectors.img"
  cmp -s -n $((sectors * 512)) "$image" "$prefix/drives/a.img" &&
    echo "  drive A: holds the image after the last round"
  rm -f "$image" "$bench/work/dump_bak.img" "$bench/work/bare/dump_bak.img"
done
