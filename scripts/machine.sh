# Sourced: which Windows build this machine can run under Wine.
#
# No Wine runs a 32-bit Windows program where the kernel runs no 32-bit Linux
# programs (its 32-bit emulation switched off), and Wine's 32-bit loader is one
# of those. So the machine is asked once, by starting a 32-bit program: a tiny
# i386 Linux program written here, byte by byte, that exits with status 42. A
# kernel that refuses it answers "Exec format error" (the shell's 126); nothing
# is inferred from the kernel's name or version.
#
# windows_preset prints the preset whose programs run here: windows (the 32-bit
# build users get) or windows64 (the 64-bit twin of the same sources).
# TORVEX_WIN64=1 forces the 64-bit twin on any machine, so both paths can be
# tried anywhere.

# Whether a 32-bit (i386) Linux program starts here. The answer is kept in
# TORVEX_RUNS_32BIT (yes or no) for the scripts this one starts, so the machine
# is asked once a run.
runs_32bit_programs() {
  if [ -n "${TORVEX_RUNS_32BIT:-}" ]; then
    [ "$TORVEX_RUNS_32BIT" = yes ]
    return
  fi
  local probe status=0
  probe=$(mktemp)
  {
    # ELF header: 32-bit, little-endian, an executable for the i386, entry 0x08048054.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
    printf '\x00\x00\x00\x00'
    # One loadable segment: the whole file (96 bytes), readable and executable, at 0x08048000.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # mov eax, 1 (exit); mov ebx, 42; int 0x80
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  export TORVEX_RUNS_32BIT=no
  if [ "$status" -eq 42 ]; then TORVEX_RUNS_32BIT=yes; fi
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

windows_preset() {
  if [ -n "$(why_no_32bit)" ]; then echo windows64; else echo windows; fi
}

# The Wine architecture of a preset's programs (TORVEX_WINEARCH, scripts/wine-env.sh).
wine_arch() {
  if [ "$1" = windows64 ]; then echo win64; else echo win32; fi
}

# The build that runs here, in words, for the scripts that say which.
windows_build_words() {
  if [ "$(windows_preset)" = windows ]; then
    echo "the 32-bit build under 32-bit Wine"
  else
    echo "the 64-bit build of the same sources under 64-bit Wine ($(why_no_32bit))"
  fi
}

# Asked here, when sourced, so that the answer is kept for everything this script starts.
runs_32bit_programs || true
