# Sourced: the environment TORVEX runs in under Wine. Expects WINEPREFIX set,
# and TORVEX_WINEARCH: win32 (the default) for the 32-bit build, win64 for its
# 64-bit twin; each has a prefix of its own.
# Wine itself is started through run_wine, which gives it the Japanese locale
# (ANSI code page 932) without asking the shell to load that locale. A win64
# prefix gets Debian's 64-bit loader by its path: Debian's `wine` command
# starts the 32-bit loader whenever 32-bit Wine is installed, whatever the
# program, and that loader neither runs a 64-bit program nor starts at all
# where the kernel runs no 32-bit programs.
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=${TORVEX_WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  export WINELOADER=/usr/lib/wine/wine64  # also for the programs a program starts
  run_wine() { env LC_ALL=ja_JP.UTF-8 "$WINELOADER" "$@"; }
else
  run_wine() { env LC_ALL=ja_JP.UTF-8 wine "$@"; }
fi
