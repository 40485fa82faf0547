#!/bin/sh
# Small file systems for the tests of full disks: "mount FOLDER" mounts a 256 KiB tmpfs there and
# a read-only one beside it (FOLDER-readonly, holding "board.dsn") when the machine lets us (root,
# tmpfs); "unmount FOLDER" removes them. Without them the tests that need them say so and skip.
set -u
folder=$2
readonly_folder=$folder-readonly
case "$1" in
  mount)
    for f in "$folder" "$readonly_folder"; do
      mkdir -p "$f"
      mountpoint -q "$f" && umount "$f"
    done
    mount -t tmpfs -o size=256k tmpfs "$folder" 2>/dev/null || echo "no small disk: cannot mount"
    if mount -t tmpfs -o size=64k tmpfs "$readonly_folder" 2>/dev/null; then
      printf 'old design\r\n' >"$readonly_folder/board.dsn"
      mount -o remount,ro "$readonly_folder" 2>/dev/null || umount "$readonly_folder"
    fi
    exit 0 ;;
  unmount)
    for f in "$folder" "$readonly_folder"; do
      mountpoint -q "$f" && umount "$f"
    done
    exit 0 ;;
esac
exit 2
