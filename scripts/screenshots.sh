#!/usr/bin/env bash
# Remakes the README's screenshots: the headless demos (scripts/run.sh without
# a display) read and then rewrite the demo floppy through the real window
# under Wine and save the window as they leave it; those become docs/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/machine.sh
demo=${TORVEX_BUILD:-build/$(windows_preset)}/demo
mkdir -p docs
env -u DISPLAY scripts/run.sh >/dev/null
cp "$demo/screenshot.png" docs/read-mode.png
env -u DISPLAY scripts/run.sh -W >/dev/null
cp "$demo/screenshot.png" docs/write-mode.png
echo "screenshots: docs/read-mode.png docs/write-mode.png"
