#!/usr/bin/env bash
# Makes (once) the Wine prefix TORVEX is tested in (64-bit with TORVEX_WINEARCH=win64), with
# drive A: an image file (drives/a.img), D: a CD-ROM drive, which the drive list must leave out,
# L: /dev/zero (takes every write, reads zeros) and F: the faulty medium of scripts/fixtures.sh.
# A step that fails is named, with its status and last lines. Usage: wine-prefix.sh PREFIX
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX=$prefix
. "$(dirname "$(realpath "$0")")/wine-env.sh"
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.torvex-ready" ] && exit 0

step() {
  local what=$1 output status=0
  shift
  output=$("$@" 2>&1) || status=$?
  [ "$status" -eq 0 ] && return
  echo "wine-prefix: $what failed for $prefix ($WINEARCH), status $status:" >&2
  tail -n 5 <<<"$output" | sed 's/^/  /' >&2
  [ "$status" -ne 126 ] || echo "  (126: the system would not start it; try TORVEX_WIN64=1)" >&2
  exit 1
}

step "making the prefix (wineboot -i)" run_wine wineboot -i
step "letting the Wine server finish (wineserver -w)" wineserver -w
drives=$prefix/drives
mkdir -p "$drives/a" "$drives/d" "$drives/l" "$drives/f"
[ -f "$drives/a.img" ] || truncate -s 1474560 "$drives/a.img"
ln -sfn "$drives/a" "$prefix/dosdevices/a:"
ln -sfn "$drives/a.img" "$prefix/dosdevices/a::"
ln -sfn "$drives/d" "$prefix/dosdevices/d:"
ln -sfn "$drives/l" "$prefix/dosdevices/l:"
ln -sfn /dev/zero "$prefix/dosdevices/l::"
ln -sfn "$drives/f" "$prefix/dosdevices/f:"
ln -sfn "$(dirname "$prefix")/faulty-medium/mnt/medium.img" "$prefix/dosdevices/f::"
step "making D: a CD-ROM drive (reg add)" \
  run_wine reg add 'HKLM\Software\Wine\Drives' /v 'd:' /t REG_SZ /d cdrom /f
# Without a window manager Wine waits 2 s for each managed window it hides (every message box,
# the file dialog); unmanaged ones are hidden at once.
step "making the windows unmanaged (reg add)" \
  run_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
# The server saves the registry as it exits: every later start sees D: as a CD-ROM drive.
step "letting the Wine server save the registry (wineserver -w)" wineserver -w
touch "$prefix/.torvex-ready"
