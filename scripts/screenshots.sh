#!/usr/bin/env bash
# Remakes the README's screenshots: the end-to-end tests save the real window
# as BMP files when TORVEX_SCREENSHOTS names a folder; they become docs/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
shots=$root/build/windows/screenshots
rm -rf "$shots"
mkdir -p "$shots" docs
TORVEX_SCREENSHOTS=$shots ctest --test-dir build/windows \
  -R 'xvfb|Rows.Run/(OneSectorAtStartShowsReportDumpFileAndTrace|CountTwo)$' >/dev/null
convert "$shots/read-mode.bmp" docs/read-mode.png
convert "$shots/write-mode.bmp" docs/write-mode.png
echo "screenshots: docs/read-mode.png docs/write-mode.png"
