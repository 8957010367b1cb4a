#!/usr/bin/env bash
# Mounts or unmounts the end-to-end tests' full disk: a 16 KiB tmpfs at
# BUILD_DIR/full-disk. A program whose current folder it is can create a
# file there, but a file larger than 16 KiB is cut short and its writes fail.
# Mounting needs root: as root the script mounts directly, otherwise through
# sudo without a password prompt (sudo -n). A setup that cannot mount writes
# the one-line reason to BUILD_DIR/full-disk.unavailable, where the row that
# needs the full disk finds it and reports itself skipped, and still succeeds;
# a setup that mounts removes that file.
# Usage: full-disk.sh setup|cleanup BUILD_DIR
set -euo pipefail
action=$1
folder=$2/full-disk
unavailable=$2/full-disk.unavailable

. "$(dirname "$(realpath "$0")")/root.sh"

case $action in
  setup)
    mkdir -p "$folder"
    reason=$(no_root)
    if [ -z "$reason" ]; then
      # A mount left behind by an interrupted run is replaced by an empty one.
      if mountpoint -q "$folder"; then as_root umount "$folder"; fi
      if error=$(as_root mount -t tmpfs -o size=16k,mode=0777 tmpfs "$folder" 2>&1); then
        rm -f "$unavailable"
        echo "full-disk: 16 KiB tmpfs at $folder"
        exit 0
      fi
      reason="mount failed: $(head -n 1 <<<"$error")"
    fi
    echo "cannot mount a 16 KiB tmpfs at $folder: $reason" >"$unavailable"
    echo "full-disk: $(cat "$unavailable")"
    ;;
  cleanup)
    if mountpoint -q "$folder"; then as_root umount "$folder"; fi
    echo "full-disk: unmounted"
    ;;
  *) echo "usage: full-disk.sh setup|cleanup BUILD_DIR" >&2; exit 2 ;;
esac
