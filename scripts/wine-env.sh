# Sourced: the environment TORVEX runs in under Wine, in WINEPREFIX, win32 or (TORVEX_WINEARCH)
# win64. run_wine starts Wine with the Japanese locale (ANSI code page 932), without the shell
# loading it; a win64 prefix gets Debian's 64-bit loader by its path, as Debian's `wine` starts
# the 32-bit loader whenever 32-bit Wine is installed, which runs no 64-bit program.
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=${TORVEX_WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  export WINELOADER=/usr/lib/wine/wine64  # also for the programs a program starts
  run_wine() { env LC_ALL=ja_JP.UTF-8 "$WINELOADER" "$@"; }
else
  run_wine() { env LC_ALL=ja_JP.UTF-8 wine "$@"; }
fi
