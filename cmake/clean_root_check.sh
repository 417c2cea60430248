#!/bin/bash
# Installs the Debian packages into a copy of a clean Debian 12 root (made
# by scripts/debian_root.sh) that holds nothing of the project, and builds
# and runs tests/consumer there: with CMake against the shared library and
# the static one, and with pkg-config, each as C++17 and as C++20. apt
# brings in what the packages depend on; what they forget is missing there.
#
#   cmake/clean_root_check.sh ROOT DEB_FOLDER SOURCE_DIR WORK
#
# Exits 77 (skipped) when not run as root or when there is no root yet.
set -euo pipefail
root="$1" debs="$2" source="$3" work="$4"

if [ "$(id -u)" != 0 ]; then
  echo "skipped: installing into a Debian root needs root"
  exit 77
fi
if [ ! -f "$root/.made" ]; then
  echo "skipped: no Debian root at $root (scripts/debian_root.sh build makes it)"
  exit 77
fi
shopt -s nullglob
packages=("$debs"/*.deb)
if ((${#packages[@]} < 3)); then
  echo "expected the three packages in $debs, found ${#packages[@]}" >&2
  exit 1
fi

# A fresh copy each run: the kept root never gains the packages.
rm -rf -- "$work"
cp -a -- "$root" "$work"
trap 'rm -rf -- "$work"' EXIT
mkdir -p "$work/check/debs"
cp -- "${packages[@]}" "$work/check/debs/"
cp -r -- "$source/tests/consumer" "$work/check/consumer"

in_root() { chroot "$work" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

# The root's lists and cache already hold what the packages depend on
# (libxml2-dev's packages were downloaded when the root was made).
in_root sh -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
  /check/debs/*.deb' >"$work.apt.log" 2>&1 || {
  cat "$work.apt.log" >&2
  rm -f -- "$work.apt.log"
  echo "the packages do not install in a clean Debian root" >&2
  exit 1
}
rm -f -- "$work.apt.log"

in_root sh -ec '
cd /check
for standard in 17 20; do
  cmake -S consumer -B shared-$standard -DCMAKE_CXX_STANDARD=$standard >/dev/null
  cmake --build shared-$standard >/dev/null
  ./shared-$standard/consumer shared-$standard.dsr
  cmake -S consumer -B static-$standard -DCMAKE_CXX_STANDARD=$standard \
    -DUSE_STATIC=ON >/dev/null
  cmake --build static-$standard >/dev/null
  ./static-$standard/consumer static-$standard.dsr
  c++ -std=c++$standard -Wall -Wextra -Wpedantic -Werror consumer/consumer.cc \
    -o pc-$standard $(pkg-config --cflags --libs devseries)
  ./pc-$standard pc-$standard.dsr
done
if ldd static-17/consumer | grep -q libdevseries; then
  echo "the static consumer loads libdevseries.so" >&2
  exit 1
fi
'
echo "clean Debian root: packages installed; consumer built with CMake (shared and static) and pkg-config as C++17 and C++20, ran"
