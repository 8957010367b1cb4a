# Sourced: which Windows build this machine can run under Wine.
#
# No Wine runs a 32-bit Windows program where the kernel runs no 32-bit Linux program. So the
# machine is asked once, by starting a 96-byte i386 Linux program that exits with 42 (mov eax, 1;
# mov ebx, 42; int 0x80), and TORVEX_RUNS_32BIT (yes or no) keeps the answer for the scripts this
# one starts. TORVEX_WIN64=1 takes the 64-bit twin on any machine.
runs_32bit_programs() {
  if [ -z "${TORVEX_RUNS_32BIT:-}" ]; then
    local probe status=0
    probe=$(mktemp)
    base64 -d >"$probe" <<<'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A'
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    export TORVEX_RUNS_32BIT=no
    if [ "$status" -eq 42 ]; then TORVEX_RUNS_32BIT=yes; fi
  fi
  [ "$TORVEX_RUNS_32BIT" = yes ]
}

# Why the 32-bit build's programs are not run here, or nothing when they are.
why_no_32bit() {
  if [ "${TORVEX_WIN64:-0}" = 1 ]; then
    echo "TORVEX_WIN64=1 is set"
  elif ! runs_32bit_programs; then
    echo "this machine runs no 32-bit programs"
  fi
}

# The preset whose programs run here: windows (the 32-bit build users get) or windows64 (its
# 64-bit twin), and its Wine architecture (TORVEX_WINEARCH, scripts/wine-env.sh).
windows_preset() { if [ -n "$(why_no_32bit)" ]; then echo windows64; else echo windows; fi; }
wine_arch() { if [ "$1" = windows64 ]; then echo win64; else echo win32; fi; }

windows_build_words() {
  if [ "$(windows_preset)" = windows ]; then
    echo "the 32-bit build under 32-bit Wine"
  else
    echo "the 64-bit build of the same sources under 64-bit Wine ($(why_no_32bit))"
  fi
}

runs_32bit_programs || true
