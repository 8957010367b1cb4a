# Sourced by the scripts that mount what the end-to-end rows need: running a
# command as root, and why that cannot be done here.

# Runs a command as root: directly as root, otherwise through sudo without a
# password prompt (sudo -n).
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi
}

# Why root's commands cannot run here, or nothing when they may.
no_root() {
  if [ "$(id -u)" -eq 0 ]; then return; fi
  if ! command -v sudo >/dev/null; then echo "not root, and sudo is not installed"; return; fi
  sudo -n true 2>/dev/null || echo "not root, and sudo asks for a password (sudo -n)"
}
