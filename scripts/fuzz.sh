#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", build/fuzz) and runs them at once for N seconds each
# (argument, default 20) on a copy of their seeds (tests/fuzz/corpus/). Prints a line of figures a
# target, kept in build/fuzz/fuzz-figures.txt; fails, naming the crash files, on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
targets=(read_operation write_operation)
build=$PWD/build/fuzz  # absolute: the fakes change directory
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
export TMPDIR=$build/tmp  # where the fakes make the folders the operations save their files in
rm -rf "$TMPDIR" "$build/corpus" "$build/findings" "$build/logs"
mkdir -p "$TMPDIR" "$build/logs"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  cp tests/fuzz/corpus/"$target"/* "$build/corpus/$target/"
  # Standard output is closed: the operations trace every byte they save.
  "$build/torvex_fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -close_fd_mask=1 -artifact_prefix="$build/findings/$target/" "$build/corpus/$target" \
    >"$build/logs/$target.log" 2>&1 &
done
wait
for target in "${targets[@]}"; do
  log=$build/logs/$target.log
  status=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
  printf '%-16s executions %9s  cov %5s  ft %6s  corpus %5s  findings %s\n' "$target" \
    "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")" \
    "$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")" \
    "$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")" \
    "$(find "$build/corpus/$target" -type f | wc -l)" "$(find "$build/findings/$target" -type f | wc -l)"
done | tee "$build/fuzz-figures.txt"
crashes=$(find "$build/findings" -type f)
if [ -n "$crashes" ]; then
  echo "fuzz: findings (logs in $build/logs):" >&2
  echo "$crashes" >&2
  exit 1
fi
