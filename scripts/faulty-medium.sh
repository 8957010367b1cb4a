#!/usr/bin/env bash
# Mounts or unmounts the end-to-end tests' medium with real faults: the FUSE
# file system of tests/e2e/faulty_medium.py at BUILD_DIR/faulty-medium/mnt,
# whose one file medium.img (drive F: of the Wine prefix) has the bytes of
# BUILD_DIR/faulty-medium/backing/medium.img (made as 64 sectors of zeros when
# missing) and fails the sectors that backing/faults names. Mounting needs
# root (/dev/fuse is root's alone here): as root the script mounts directly,
# otherwise through sudo without a password prompt (sudo -n). A setup that
# cannot mount writes the one-line reason to BUILD_DIR/faulty-medium.unavailable,
# where the rows that need the medium find it and report themselves skipped,
# and still succeeds; a setup that mounts removes that file.
# Usage: faulty-medium.sh setup|cleanup BUILD_DIR
set -euo pipefail
action=$1
build=$(realpath -m "$2")
folder=$build/faulty-medium
mnt=$folder/mnt
pid_file=$folder/server.pid
unavailable=$build/faulty-medium.unavailable
server=$(dirname "$(realpath "$0")")/../tests/e2e/faulty_medium.py

. "$(dirname "$(realpath "$0")")/root.sh"

# Unmounts and ends the server. findmnt, not mountpoint: a mount whose server
# died answers every stat with ENOTCONN, and mountpoint then says "not mounted".
stop() {
  if findmnt -rn --mountpoint "$mnt" >/dev/null; then
    as_root fusermount3 -u "$mnt" 2>/dev/null || as_root fusermount -u "$mnt" 2>/dev/null ||
      as_root umount "$mnt"
  fi
  if [ -f "$pid_file" ]; then
    pid=$(cat "$pid_file")
    as_root kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do [ -d "/proc/$pid" ] || break; sleep 0.1; done
    rm -f "$pid_file"
  fi
}

case $action in
  setup)
    mkdir -p "$folder/backing" "$mnt"
    [ -f "$folder/backing/medium.img" ] || head -c 32768 /dev/zero >"$folder/backing/medium.img"
    reason=$(no_root)
    [ -n "$reason" ] || /usr/bin/python3 -c 'import fusepy' 2>/dev/null ||
      reason="python3-fusepy is not installed (scripts/install-deps.sh)"
    if [ -z "$reason" ]; then
      # A mount left behind by an interrupted run is replaced.
      stop
      # Its output goes to a file: ctest waits until no process holds the test's.
      # Started without as_root, whose subshell would take the process id.
      sudo=
      [ "$(id -u)" -eq 0 ] || sudo="sudo -n"
      $sudo /usr/bin/python3 "$server" "$folder/backing" "$mnt" \
        </dev/null >"$folder/server.log" 2>&1 &
      echo $! >"$pid_file"
      for _ in $(seq 100); do
        if [ -f "$mnt/medium.img" ]; then
          rm -f "$unavailable"
          echo "faulty-medium: $mnt/medium.img, server process $(cat "$pid_file")"
          exit 0
        fi
        [ -d "/proc/$(cat "$pid_file")" ] || break
        sleep 0.1
      done
      reason="the FUSE server did not mount: $(head -n 1 "$folder/server.log")"
      stop
    fi
    echo "cannot serve a faulty medium at $mnt: $reason" >"$unavailable"
    echo "faulty-medium: $(cat "$unavailable")"
    ;;
  cleanup)
    stop
    echo "faulty-medium: unmounted"
    ;;
  *) echo "usage: faulty-medium.sh setup|cleanup BUILD_DIR" >&2; exit 2 ;;
esac
