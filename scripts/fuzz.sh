#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", build/fuzz) and runs each for N
# seconds (argument, default 20), all at once, on a working copy of its seeds
# from tests/fuzz/corpus/. Prints a line of figures a target, also written to
# build/fuzz/fuzz-figures.txt; fails, naming the crash files, when a target
# found anything.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
targets=(read_operation write_operation)
build=$PWD/build/fuzz  # absolute: the operation targets change directory

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The operation targets make their own directories under TMPDIR for the files they save.
export TMPDIR=$build/tmp
rm -rf "$TMPDIR" "$build/corpus" "$build/findings" "$build/logs"
mkdir -p "$TMPDIR" "$build/logs"

run() {
  local target=$1
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  cp tests/fuzz/corpus/"$target"/* "$build/corpus/$target/"
  # Standard output is closed: the operations trace every byte they save.
  "$build/torvex_fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -close_fd_mask=1 -artifact_prefix="$build/findings/$target/" "$build/corpus/$target" \
    >"$build/logs/$target.log" 2>&1 || true
}

figures() {
  local target=$1 log=$build/logs/$1.log status findings
  status=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
  findings=$(find "$build/findings/$target" -type f | wc -l)
  printf '%-16s executions %9s  cov %5s  ft %6s  corpus %5s  findings %s\n' "$target" \
    "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")" \
    "$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")" \
    "$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")" \
    "$(find "$build/corpus/$target" -type f | wc -l)" "$findings"
}

for target in "${targets[@]}"; do run "$target" & done
wait

for target in "${targets[@]}"; do figures "$target"; done | tee "$build/fuzz-figures.txt"
crashes=$(find "$build/findings" -type f)
if [ -n "$crashes" ]; then
  echo "fuzz: findings (logs in $build/logs):" >&2
  echo "$crashes" >&2
  exit 1
fi
