#!/bin/bash
# Set-up of the project on Debian 12, as root.
#
#   scripts/setup.sh demo   install what is missing, build the updater,
#                           create a sample installation under build/demo
#                           and run the updater on it
#   scripts/setup.sh test   install what is missing, build and run every
#                           test, then again under AddressSanitizer and
#                           UndefinedBehaviorSanitizer, then run each fuzz
#                           target for 30 seconds (scripts/fuzz.sh)
set -euo pipefail

top="$(cd -- "$(dirname -- "$0")/.." && pwd -P)"
cd -- "$top"
jobs="$(nproc 2>/dev/null || echo 2)"

packages=(g++ cmake make libxml2-dev libgtest-dev googletest libbenchmark-dev
  nlohmann-json3-dev libcli11-dev pkg-config dpkg-dev file locales clang-14
  libclang-rt-14-dev)
# Only the tests need these: python3 with jsonschema checks dsrtool's JSON
# against its schema; Chromium renders dsrtool's report, whose pixels
# python3-pil reads.
test_packages=(python3 python3-jsonschema python3-pil chromium)

# install_missing [PACKAGE...]: the packages above and the ones named.
install_missing() {
  local missing=()
  for package in "${packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q 'install ok installed' || missing+=("$package")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update -q
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
    build default
    ctest --preset default -j "$jobs"
    build sanitize
    ctest --preset sanitize -j "$jobs"
    scripts/fuzz.sh 30
    ;;
  *)
    echo "usage: $0 demo|test" >&2
    exit 2
    ;;
esac
