#!/usr/bin/env bash
# Mounts or unmounts the end-to-end tests' full disk: a 16 KiB tmpfs at
# BUILD_DIR/full-disk. A program whose current folder it is can create a
# file there, but a file larger than 16 KiB is cut short and its writes fail.
# Mounting needs root (CI runs as root); a setup that cannot mount fails.
# Usage: full-disk.sh setup|cleanup BUILD_DIR
set -euo pipefail
action=$1
folder=$2/full-disk

case $action in
  setup)
    mkdir -p "$folder"
    # A mount left behind by an interrupted run is replaced by an empty one.
    if mountpoint -q "$folder"; then umount "$folder"; fi
    if ! mount -t tmpfs -o size=16k,mode=0777 tmpfs "$folder"; then
      echo "full-disk: cannot mount a tmpfs at $folder (root is needed)" >&2
      exit 1
    fi
    echo "full-disk: 16 KiB tmpfs at $folder"
    ;;
  cleanup)
    if mountpoint -q "$folder"; then umount "$folder"; fi
    echo "full-disk: unmounted"
    ;;
  *) echo "usage: full-disk.sh setup|cleanup BUILD_DIR" >&2; exit 2 ;;
esac
