#!/usr/bin/env bash
# ctest's emulator: runs a Windows program under Wine (32-bit or 64-bit, as its PE header's machine
# field says) in the prefix TORVEX_WINEPREFIX, or else wineprefix/ of the build folder that holds
# the program, on the tests' Xvfb display when it is up. Wine sends the trace of every program this
# one starts to this one's standard error, whatever they are given: the test programs find it
# through TORVEX_WINE_ERRORS.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
program=$(realpath "$1")
pe_header=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_header + 4)) -N2 "$program" | tr -d ' ')
export TORVEX_WINEARCH=win32
[ "$machine" != 8664 ] || TORVEX_WINEARCH=win64
build=$(dirname "$program")
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
export WINEPREFIX=${TORVEX_WINEPREFIX:-$build/wineprefix}
"$here/wine-prefix.sh" "$WINEPREFIX"
. "$here/wine-env.sh"
display=$(dirname "$WINEPREFIX")/xvfb.display
[ ! -f "$display" ] || export DISPLAY=":$(cat "$display")"
export TORVEX_WINE_ERRORS=$(mktemp)
status=0
run_wine "$@" 2>"$TORVEX_WINE_ERRORS" || status=$?
cat "$TORVEX_WINE_ERRORS" >&2
rm -f "$TORVEX_WINE_ERRORS"
exit "$status"
