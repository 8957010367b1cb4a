# Sourced: the environment TORVEX runs in under Wine. Expects WINEPREFIX set.
# Wine itself is started through run_wine, which gives it the Japanese locale
# (ANSI code page 932) without asking the shell to load that locale.
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
run_wine() { env LC_ALL=ja_JP.UTF-8 wine "$@"; }
