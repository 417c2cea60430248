#!/bin/bash
# A minimal Debian 12 root for the check of the Debian packages in a clean
# system (cmake/clean_root_check.sh): debootstrap's minbase with a C++
# compiler, CMake, make and pkg-config, and its package lists. libxml2-dev's
# packages are downloaded into its cache, not installed: the library's -dev
# package has to bring them in. Made once and kept, as the Windows libraries
# are; a root left half-made by a failed run is made again.
#
#   scripts/debian_root.sh build [ROOT]   (as root; ROOT: build/debian-root)
#
# DEBIAN_MIRROR names another mirror (http://deb.debian.org/debian).
set -euo pipefail

top="$(cd -- "$(dirname -- "$0")/.." && pwd -P)"
if [ "${1:-}" != build ]; then
  echo "usage: $0 build [ROOT]" >&2
  exit 2
fi
root="${2:-$top/build/debian-root}"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"

if [ -f "$root/.made" ]; then
  echo "Debian root: $root (made before)"
  exit 0
fi
if [ "$(id -u)" != 0 ]; then
  echo "$0: making a Debian root needs root" >&2
  exit 1
fi
# Only a folder this script made is ever removed: a half-made root (marked
# when begun), never a folder that was there before.
partial="$root.partial"
for folder in "$root" "$partial"; do
  if [ -e "$folder" ] && [ ! -f "$folder/.debian-root" ]; then
    echo "$0: $folder is in the way and is not a root made here" >&2
    exit 1
  fi
done
rm -rf -- "$partial" "$root"
mkdir -p -- "$partial"
touch -- "$partial/.debian-root"
debootstrap --variant=minbase --include=g++,cmake,make,pkg-config \
  bookworm "$partial" "$mirror" >"$partial.log" 2>&1 || {
  tail -n 20 "$partial.log" >&2
  echo "$0: debootstrap failed (the whole log: $partial.log)" >&2
  exit 1
}
chroot "$partial" apt-get update -q >/dev/null
chroot "$partial" apt-get install -y -q --download-only libxml2-dev >/dev/null
rm -f -- "$partial.log"
touch "$partial/.made"
mv -- "$partial" "$root"
echo "Debian root: $root"
