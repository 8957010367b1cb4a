#!/usr/bin/env bash
# Runs a Win32 program under Wine in the build's own prefix (ctest's emulator).
# The prefix is TORVEX_WINEPREFIX, or wineprefix/ in the build folder that
# holds the program. An Xvfb display started for the tests is used when up.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
program=$(realpath "$1")
if [ -z "${TORVEX_WINEPREFIX:-}" ]; then
  dir=$(dirname "$program")
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  TORVEX_WINEPREFIX=$dir/wineprefix
fi
"$here/wine-prefix.sh" "$TORVEX_WINEPREFIX"
export WINEPREFIX=$TORVEX_WINEPREFIX
. "$here/wine-env.sh"
display_file=$(dirname "$TORVEX_WINEPREFIX")/xvfb.display
if [ -f "$display_file" ]; then
  export DISPLAY=":$(cat "$display_file")"
fi
run_wine "$@"
