#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test:
# native, native under AddressSanitizer and UndefinedBehaviorSanitizer, both
# Windows builds (the 32-bit program users get and its 64-bit twin) with their
# tests under Wine (unit tests, the Win32 volume layer, the program's file
# format and the end-to-end tests through the real window), then the fuzz
# targets for 20 s each; ends with the figures: which Windows build ran, line
# counts, the tests skipped and why, the fault matrix, the fuzz runs and the
# count of tests passed, failed and skipped.
#
# Where the machine runs no 32-bit programs (scripts/machine.sh), or with
# TORVEX_WIN64=1, no Wine can start the 32-bit build: it is still built, its
# file checked and its release zip made, and its tests that would run it are
# reported skipped, with the reason; the 64-bit build runs the same rows.
set -euo pipefail
cd "$(dirname "$0")/.."
trap 'echo "test.sh: \"$BASH_COMMAND\" failed with status $?" >&2' ERR
scripts/install-deps.sh
. scripts/machine.sh
no_32bit=$(why_no_32bit)
run_32bit=ON
[ -z "$no_32bit" ] || run_32bit=OFF

presets=(native native-sanitize windows windows64)
for preset in "${presets[@]}"; do
  echo "== $preset"
  options=()
  if [ "$preset" = windows ]; then options=("-DTORVEX_RUN_WINDOWS_TESTS=$run_32bit"); fi
  cmake --preset "$preset" "${options[@]}" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" | tee "build/$preset/ctest.txt"
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
      /^Skip regular expression found in output/ { print "skipped: " name " (" reason ")" }'
}
# The tests that run Windows programs under Wine, as the 64-bit build lists them.
wine_tests() { ctest --preset windows64 -N | grep -cE 'Test +#[0-9]+: (win32|seam|e2e|demo)\.'; }
# The tests ctest ran in the given presets and how they ended: "passed failed", from its summary
# lines, in which a skipped test counts as passed.
ended() {
  for preset in "$@"; do
    sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\)$/\2 \1/p' "build/$preset/ctest.txt"
  done | awk '{ run += $1; failed += $2 } END { print run - failed, failed }'
}
echo "== figures"
if [ -z "$no_32bit" ]; then
  echo "Windows builds run under Wine: the 32-bit build (32-bit Wine) and its 64-bit twin (64-bit Wine)"
else
  echo "Windows builds run under Wine: the 64-bit twin (64-bit Wine) only, as $no_32bit"
fi
echo "C++ lines: tests $(lines tests), program $(lines app volume ops output resources window)"
skipped_tests=$(skipped "${presets[@]}")
skips=0
if [ -n "$skipped_tests" ]; then
  echo "$skipped_tests"
  skips=$(wc -l <<<"$skipped_tests")
fi
not_run=0
if [ -n "$no_32bit" ]; then
  not_run=$(wine_tests)
  echo "skipped: the 32-bit build's $not_run tests that run it under Wine ($no_32bit; its build," \
    "program file check and release zip ran, and the 64-bit build ran the same rows)"
fi
[ $((skips + not_run)) -gt 0 ] || echo "skipped: none"
cat build/native-sanitize/fault-matrix.txt
cat build/fuzz/fuzz-figures.txt
read -r passed failed < <(ended "${presets[@]}")
echo "ctest: $((passed - skips)) passed, $failed failed, $((skips + not_run)) skipped"
