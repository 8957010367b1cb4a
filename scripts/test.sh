#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test:
# native, native under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# 32-bit Windows build under Wine (unit tests, the Win32 volume layer, the
# program's file format and the end-to-end tests through the real window).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

for preset in native native-sanitize windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
