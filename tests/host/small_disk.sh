#!/bin/sh
# A small file system for the tests of full disks: "mount FOLDER" mounts a 256 KiB tmpfs there
# when the machine lets us (root, tmpfs); "unmount FOLDER" removes it. Without one the tests
# that need it say so and skip.
set -u
folder=$2
case "$1" in
  mount)
    mkdir -p "$folder"
    mountpoint -q "$folder" && umount "$folder"
    mount -t tmpfs -o size=256k tmpfs "$folder" 2>/dev/null || echo "no small disk: cannot mount"
    exit 0 ;;
  unmount)
    mountpoint -q "$folder" && umount "$folder"
    exit 0 ;;
esac
exit 2
