#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test:
# native, native under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# 32-bit Windows build under Wine (unit tests, the Win32 volume layer, the
# program's file format and the end-to-end tests through the real window), then
# the fuzz targets for 20 s each; ends with the figures: line counts, the fault
# matrix and the fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

for preset in native native-sanitize windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzz"
scripts/fuzz.sh 20

# The figures of this run, together at the end.
lines() { git ls-files "$@" | grep -E '\.(cpp|h)$' | xargs cat | wc -l; }
echo "== figures"
echo "C++ lines: tests $(lines tests), program $(lines app volume ops output resources window)"
cat build/native-sanitize/fault-matrix.txt
cat build/fuzz/fuzz-figures.txt
