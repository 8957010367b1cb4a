#!/usr/bin/env bash
# Sets up or cleans up what some end-to-end rows need, as ctest fixtures:
#   full-disk      a 16 KiB tmpfs at BUILD/full-disk: a larger file is cut short, its writes fail
#   faulty-medium  at BUILD/faulty-medium/mnt the FUSE file system of tests/e2e/faulty_medium.py,
#                  whose file medium.img (drive F:) has the bytes of faulty-medium/backing/medium.img
#                  and fails the sectors that backing/faults names
#   links          for each row named below, C:\torvex-e2e\links\<row> in the Wine prefix, holding a
#                  link planted from the Unix side (Wine cannot) to links\<row>.target
# Mounting needs root (or sudo -n). A setup that cannot mount still succeeds and writes why to
# BUILD/<name>.unavailable, where the rows that need it find it and report themselves skipped.
# Usage: fixtures.sh setup|cleanup full-disk|faulty-medium|links BUILD
set -euo pipefail
action=$1
name=$2
build=$(realpath -m "$3")
unavailable=$build/$name.unavailable

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi; }

full_disk=$build/full-disk
medium=$build/faulty-medium
pid_file=$medium/server.pid
# findmnt, not mountpoint, which takes a mount whose server died (ENOTCONN) for none.
unmount() { if findmnt -rn --mountpoint "$1" >/dev/null; then as_root umount -l "$1"; fi; }
stop_medium() {
  unmount "$medium/mnt"
  [ -f "$pid_file" ] || return 0
  as_root kill "$(cat "$pid_file")" 2>/dev/null || true
  for _ in $(seq 50); do [ -d "/proc/$(cat "$pid_file")" ] || break; sleep 0.1; done
  rm -f "$pid_file"
}

# Mounts the fixture; prints why not and fails when it cannot.
mount_fixture() {
  local sudo=
  if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
    echo "not root, and sudo -n cannot run commands as root"
    return 1
  fi
  if [ "$name" = full-disk ]; then
    mkdir -p "$full_disk"
    unmount "$full_disk"
    as_root mount -t tmpfs -o size=16k,mode=0777 tmpfs "$full_disk" 2>&1 | head -n 1
    return "${PIPESTATUS[0]}"
  fi
  /usr/bin/python3 -c 'import fusepy' 2>/dev/null || { echo "python3-fusepy is missing"; return 1; }
  mkdir -p "$medium/backing" "$medium/mnt"
  [ -f "$medium/backing/medium.img" ] || head -c 32768 /dev/zero >"$medium/backing/medium.img"
  stop_medium
  # Its output goes to a file: ctest waits until no process holds the test's. Started without
  # as_root, whose subshell would take the process id.
  [ "$(id -u)" -eq 0 ] || sudo="sudo -n"
  $sudo /usr/bin/python3 "$(dirname "$0")/../tests/e2e/faulty_medium.py" "$medium/backing" \
    "$medium/mnt" </dev/null >"$medium/server.log" 2>&1 &
  echo $! >"$pid_file"
  for _ in $(seq 100); do
    [ ! -f "$medium/mnt/medium.img" ] || return 0
    [ -d "/proc/$(cat "$pid_file")" ] || break
    sleep 0.1
  done
  echo "the FUSE server did not mount: $(head -n 1 "$medium/server.log")"
  stop_medium
  return 1
}

case $action-$name in
  setup-full-disk | setup-faulty-medium)
    if reason=$(mount_fixture); then
      rm -f "$unavailable"
      echo "$name: mounted"
    else
      echo "cannot mount the $name: $reason" | tee "$unavailable"
    fi
    ;;
  setup-links)
    links=$build/wineprefix/drive_c/torvex-e2e/links
    rm -rf "$links"
    while read -r row link kind; do
      mkdir -p "$links/$row"
      echo "$row" >"$links/$row.target"
      ln $kind "$links/$row.target" "$links/$row/$link"
    done <<'ROWS'
SymlinkedPartialInARead dump.img.tmp -s
HardLinkedPartialInARead dump.img.tmp
SymlinkedBackupPartialInAWrite dump_bak.img.tmp -s
DumpFileThatIsALink dump.img -s
ROWS
    echo "links: planted in $links"
    ;;
  cleanup-links) ;;
  cleanup-full-disk) unmount "$full_disk" ;;
  cleanup-faulty-medium) stop_medium ;;
  *) echo "usage: fixtures.sh setup|cleanup full-disk|faulty-medium|links BUILD_DIR" >&2; exit 2 ;;
esac
