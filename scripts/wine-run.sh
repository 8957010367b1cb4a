#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix (ctest's emulator):
# a 32-bit program under 32-bit Wine, a 64-bit one under 64-bit Wine.
# The prefix is TORVEX_WINEPREFIX, or wineprefix/ in the build folder that
# holds the program. An Xvfb display started for the tests is used when up.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
program=$(realpath "$1")
# The machine field of the program's PE header: x86-64 (0x8664) needs 64-bit Wine.
pe_header=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_header + 4)) -N2 "$program" | tr -d ' ')
export TORVEX_WINEARCH=win32
if [ "$machine" = 8664 ]; then TORVEX_WINEARCH=win64; fi
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
# Wine sends the trace of every program this one starts to the first program's standard error,
# whatever standard error they are given: the test programs find their children's traces
# through TORVEX_WINE_ERRORS.
errors=$(mktemp)
export TORVEX_WINE_ERRORS=$errors
status=0
run_wine "$@" 2>"$errors" || status=$?
cat "$errors" >&2
rm -f "$errors"
exit "$status"
