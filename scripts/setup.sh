#!/bin/bash
# Set-up of the project on Debian 12, as root.
#
#   scripts/setup.sh demo   install what is missing, build the updater,
#                           create a sample installation under build/demo
#                           and run the updater on it
#   scripts/setup.sh test   install what is missing, make the clean Debian
#                           root the packages are checked in (kept under
#                           build/debian-root), build and run every
#                           test, then again under AddressSanitizer and
#                           UndefinedBehaviorSanitizer, then run each fuzz
#                           target for 30 seconds (scripts/fuzz.sh), then
#                           the Windows edition as "windows" does
#   scripts/setup.sh windows
#                           the Windows edition alone: cross-build it with
#                           MinGW-w64 (the 32-bit updater, the 64-bit dsrtool
#                           and tests), run its tests under Wine, and pack
#                           build/windows-x86_64/tovra-windows-*.zip; needs
#                           the Linux build's dsrtool, which it builds first
set -euo pipefail

top="$(cd -- "$(dirname -- "$0")/.." && pwd -P)"
cd -- "$top"
jobs="$(nproc 2>/dev/null || echo 2)"

packages=(g++ cmake make libxml2-dev libgtest-dev googletest libbenchmark-dev
  nlohmann-json3-dev libcli11-dev pkg-config dpkg-dev file locales clang-14
  libclang-rt-14-dev doxygen nettle-dev)
# Only the tests need these: python3 with jsonschema checks dsrtool's JSON
# against its schema; Chromium renders dsrtool's report and prints it to
# PDF, whose pages poppler-utils' pdftoppm turns into pictures, whose pixels
# python3-pil reads; debootstrap makes the clean Debian root the packages
# are installed into.
test_packages=(python3 python3-jsonschema python3-pil chromium poppler-utils
  debootstrap)

# apt_update: apt-get update. A package list that fails to download (a
# mirror in mid-sync, say) is reported and left out: an install that needs
# it then fails by itself.
apt_update() {
  apt-get update -q ||
    echo "Note: apt-get update could not fetch every package list; going on."
}

# not_installed PACKAGE...: sets `missing` to those not installed.
not_installed() {
  missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q 'install ok installed' || missing+=("$package")
  done
}

# install_missing [PACKAGE...]: the packages above and the ones named.
install_missing() {
  local missing
  not_installed "${packages[@]}" "$@"
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt_update
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  fi
  # The codecs are tested under a locale whose decimal point is a comma.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    if [ -w /etc/locale.gen ]; then
      sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
      grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen ||
        echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
      locale-gen >/dev/null
    else
      echo "Note: cannot generate de_DE.UTF-8; the decimal-comma test will be skipped."
    fi
  fi
}

# build PRESET [TARGET...]: configure and build (everything when no target
# is named).
build() {
  local preset="$1"
  shift
  cmake --preset "$preset" >/dev/null
  if (($#)); then
    cmake --build --preset "$preset" -j "$jobs" --target "$@"
  else
    cmake --build --preset "$preset" -j "$jobs"
  fi
}

# Wine runs the Windows edition's tests: 64-bit programs with wine64, the
# 32-bit updater with wine32 (i386 packages) where the kernel runs 32-bit
# programs.
wine_packages=(wine wine64 wine32:i386)

install_wine() {
  local missing
  not_installed "${wine_packages[@]}"
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 ||
    dpkg --add-architecture i386
  apt_update
  # Without the recommended fonts, codecs and printing: nothing here draws.
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends "${missing[@]}"; then
    # The 64-bit Wine runs every test but the 32-bit updater's, which then
    # reports itself skipped.
    echo "Note: wine32 (i386) cannot be installed; installing the 64-bit Wine only."
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
      --no-install-recommends wine wine64
  fi
}

# windows_edition: cross-builds, tests under Wine and packs the Windows
# edition; prints the time it took.
windows_edition() {
  local started=$SECONDS
  # MinGW-w64, and static libxml2 and GoogleTest for both targets, cached
  # under build/windows-deps. Before Wine, whose i386 package lists are one
  # more thing a mirror can have half-synced.
  scripts/windows_deps.sh build
  install_wine
  # Its tests compare dsrtool.exe's bytes with the Linux tool's.
  build default dsrtool
  build windows-i686 tovra_update
  build windows-x86_64
  ctest --preset windows -j "$jobs"
  (cd build/windows-x86_64 && cpack -G ZIP >/dev/null)
  echo "Packed: $(ls build/windows-x86_64/tovra-windows-*.zip)"
  echo "Windows edition: $((SECONDS - started)) s"
}

case "${1:-}" in
  demo)
    install_missing
    # Only the updater and what it links: the tests are not needed here.
    build default tovra_update
    registry_line="$(scripts/make_demo_installation.sh build/demo | tail -n 1)"
    export "$registry_line"
    echo "Running tovra_update with $registry_line"
    ./build/tovra_update
    echo "exit code $?; files written:"
    find build/demo/Ostrivane -type f -printf '%9s bytes  %p\n' | sort -k3
    ;;
  test)
    install_missing "${test_packages[@]}"
    scripts/debian_root.sh build
    build default
    ctest --preset default -j "$jobs"
    build sanitize
    ctest --preset sanitize -j "$jobs"
    scripts/fuzz.sh 30
    windows_edition
    ;;
  windows)
    install_missing
    windows_edition
    ;;
  *)
    echo "usage: $0 demo|test|windows" >&2
    exit 2
    ;;
esac
