#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test:
# native, native under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# 32-bit Windows build under Wine (unit tests, the Win32 volume layer, the
# program's file format and the end-to-end tests through the real window), then
# the fuzz targets for 20 s each; ends with the figures: line counts, the tests
# skipped and why, the fault matrix and the fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

presets=(native native-sanitize windows)
for preset in "${presets[@]}"; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzz"
scripts/fuzz.sh 20

# The figures of this run, together at the end.
lines() { git ls-files "$@" | grep -E '\.(cpp|h|rc)$' | xargs cat | wc -l; }
# The tests ctest reported skipped in the given presets, each with its reason:
# the line after GoogleTest's "Skipped" in the test's output (ctest's log of this run).
skipped() {
  for preset in "$@"; do cat "build/$preset/Testing/Temporary/LastTest.log"; done |
    awk '{ sub(/\r$/, "") }
      /^[0-9]+\/[0-9]+ Test: / { name = $3; reason = "" }
      after_skip && reason == "" { reason = /^\[/ ? "no reason given" : $0 }
      { after_skip = /: Skipped$/ }
      /^Skip regular expression found in output/ { print "skipped: " name " (" reason ")"; n++ }
      END { if (!n) print "skipped: none" }'
}
echo "== figures"
echo "C++ lines: tests $(lines tests), program $(lines app volume ops output resources window)"
skipped "${presets[@]}"
cat build/native-sanitize/fault-matrix.txt
cat build/fuzz/fuzz-figures.txt
