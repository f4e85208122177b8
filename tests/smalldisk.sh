#!/bin/sh
# A file system of 64 KB at the given folder, for the tests that save onto a full disk.
# Mounting takes the right to mount (root, or CAP_SYS_ADMIN); where this machine does not give
# it, the folder stays an ordinary one and those tests report themselves skipped.
#   smalldisk.sh mount FOLDER | smalldisk.sh unmount FOLDER
set -u
folder="$2"
case "$1" in
  mount)
    mkdir -p "$folder"
    if mountpoint -q "$folder"; then
      rm -f "$folder"/* 2>/dev/null
    elif ! mount -t tmpfs -o size=64k,mode=0777 tmpfs "$folder" 2>/dev/null; then
      echo "smalldisk: cannot mount a file system here; the full-disk tests are skipped"
    fi
    ;;
  unmount)
    if mountpoint -q "$folder"; then umount "$folder"; fi
    ;;
esac
exit 0
