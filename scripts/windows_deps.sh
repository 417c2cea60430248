#!/bin/bash
# Third-party libraries of the Windows edition, cross-built on Debian 12, as
# root.
#
#   scripts/windows_deps.sh BUILD_DIR
#
# Installs the MinGW-w64 cross compilers (posix thread model) and what the
# build needs, fetches Debian's source of libxml2 at the version the host's
# libxml2-dev has (the current one of the archive when that version is gone),
# and builds static libxml2 and GoogleTest for both Windows targets into
#
#   BUILD_DIR/windows-deps/i686-w64-mingw32/
#   BUILD_DIR/windows-deps/x86_64-w64-mingw32/
#
# (include/, lib/, lib/cmake/, lib/pkgconfig/), the prefixes the toolchain
# files cmake/toolchains/mingw-*.cmake search. The static libxml2 needs
# LIBXML_STATIC defined in its consumers.
#
# A prefix whose stamp names the same libxml2 request and recipe is left as
# it is, so a second run only checks. Quiet unless something fails; the logs
# of each step are kept under BUILD_DIR/windows-deps/logs.
set -euo pipefail

if (($# != 1)); then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
if ((EUID != 0)); then
  echo "$0: must run as root (it installs packages and edits the APT sources)" >&2
  exit 2
fi

top="$(cd -- "$(dirname -- "$0")/.." && pwd -P)"
mkdir -p -- "$1"
build_dir="$(cd -- "$1" && pwd -P)"
deps_dir="$build_dir/windows-deps"
log_dir="$deps_dir/logs"
jobs="${JOBS:-$(nproc 2>/dev/null || echo 2)}"
triplets=(i686-w64-mingw32 x86_64-w64-mingw32)
# Raised whenever the way the prefixes are built changes, so that stamps of
# an earlier recipe no longer count.
recipe=3

packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 dpkg-dev cmake make
  googletest libxml2-dev xz-utils)

# run LOG COMMAND...: runs the command with its output in LOG; on failure
# shows the end of the log and stops.
run() {
  local log="$log_dir/$1"
  shift
  if ! "$@" >"$log" 2>&1; then
    echo "$0: failed: $*" >&2
    tail -n 40 -- "$log" >&2
    echo "$0: full log: $log" >&2
    exit 1
  fi
}

# apt_update LOG: apt-get update. A package list that fails to download (a
# mirror in mid-sync, say) is reported and left out: what this script then
# installs or fetches fails loudly by itself if it was in that list.
apt_update() {
  if ! apt-get update >"$log_dir/$1" 2>&1; then
    echo "Note: apt-get update could not fetch every package list" \
      "(see $log_dir/$1); going on with the lists it has." >&2
  fi
}

install_missing() {
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q 'install ok installed' || missing+=("$package")
  done
  if ((${#missing[@]})); then
    apt_update apt-update.log
    run apt-install.log env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# enable_debian_sources: makes the source packages of the Debian archives
# the machine installs from reachable to apt-get source.
enable_debian_sources() {
  local deb822=/etc/apt/sources.list.d/debian.sources
  local one_line=/etc/apt/sources.list
  local edited
  if [ -f "$deb822" ]; then
    # Each stanza of the Debian file lists its Types on one line; a stanza
    # that has "deb" but not "deb-src" gets "deb-src" too, for the same
    # URIs, Suites and Components.
    edited="$(mktemp)"
    awk '
      /^[Tt]ypes:/ {
        has_deb = 0; has_src = 0
        for (i = 2; i <= NF; ++i) {
          if ($i == "deb") has_deb = 1
          if ($i == "deb-src") has_src = 1
        }
        if (has_deb && !has_src) $0 = $0 " deb-src"
      }
      { print }' "$deb822" >"$edited"
    cmp -s "$edited" "$deb822" || cat "$edited" >"$deb822"
    rm -f -- "$edited"
  fi
  if [ -f "$one_line" ]; then
    # Each active "deb" line of a Debian archive gets a "deb-src" line with
    # the same options, URI, suite and components, unless it has one.
    edited="$(mktemp)"
    awk '
      { lines[NR] = $0 }
      /^[ \t]*deb-src[ \t]/ { key = $0; sub(/^[ \t]*deb-src[ \t]+/, "", key); have[key] = 1 }
      END {
        for (n = 1; n <= NR; ++n) {
          print lines[n]
          if (lines[n] ~ /^[ \t]*deb[ \t]/ && lines[n] ~ /debian/ && lines[n] !~ /cdrom:/) {
            key = lines[n]; sub(/^[ \t]*deb[ \t]+/, "", key)
            if (!(key in have)) { print "deb-src " key; have[key] = 1 }
          }
        }
      }' "$one_line" >"$edited"
    cmp -s "$edited" "$one_line" || cat "$edited" >"$one_line"
    rm -f -- "$edited"
  fi
}

# stamp_request: what a finished prefix records: the libxml2 version asked for
# (the host's, in host_libxml2), the one built, GoogleTest's version and the recipe.
stamp_request() {
  echo "recipe $recipe"
  echo "libxml2 requested ${host_libxml2:-current}"
  echo "googletest $(dpkg-query -W -f='${Version}' googletest)"
}

# prefix_ready TRIPLET: the prefix was built by this recipe for this request
# and still has its libraries and headers.
prefix_ready() {
  local prefix="$deps_dir/$1"
  local stamp="$prefix/windows-deps.stamp"
  [ -f "$stamp" ] || return 1
  [ "$(grep -v '^libxml2 built ' "$stamp")" = "$(stamp_request)" ] || return 1
  local file
  for file in lib/libxml2.a include/libxml2/libxml/parser.h \
    lib/libgtest.a lib/libgtest_main.a include/gtest/gtest.h \
    lib/libgmock.a lib/libgmock_main.a include/gmock/gmock.h; do
    [ -f "$prefix/$file" ] || return 1
  done
}

# fetch_libxml2: Debian's libxml2 source, patches applied, under
# windows-deps/src; sets libxml2_source (the unpacked folder) and
# libxml2_version.
fetch_libxml2() {
  local src="$deps_dir/src"
  rm -rf -- "$src"
  mkdir -p -- "$src"
  enable_debian_sources
  apt_update apt-update-src.log
  local apt_source=(apt-get source -o APT::Sandbox::User=root)
  cd -- "$src"
  if [ -z "$host_libxml2" ] ||
    ! "${apt_source[@]}" "libxml2=$host_libxml2" >"$log_dir/apt-source.log" 2>&1; then
    if [ -n "$host_libxml2" ]; then
      echo "Note: libxml2 $host_libxml2 is no longer in the archive; building its current version." >&2
      rm -rf -- "${src:?}"/*
    fi
    run apt-source.log "${apt_source[@]}" libxml2
  fi
  cd -- "$top"
  local dsc
  dsc="$(find "$src" -maxdepth 1 -name 'libxml2_*.dsc' | head -n 1)"
  libxml2_version="$(sed -n 's/^Version: *//p' "$dsc")"
  libxml2_source="$(find "$src" -mindepth 1 -maxdepth 1 -type d -name 'libxml2-*' | head -n 1)"
  if [ -z "$libxml2_version" ] || [ ! -f "$libxml2_source/CMakeLists.txt" ]; then
    echo "$0: the libxml2 source was not unpacked as expected under $src" >&2
    exit 1
  fi
}

# build_prefix TRIPLET SOURCE VERSION: static libxml2 and GoogleTest for one
# target, installed into its prefix, then stamped.
build_prefix() {
  local triplet="$1" source="$2" version="$3"
  local prefix="$deps_dir/$triplet"
  local work="$deps_dir/build/$triplet"
  local arch="${triplet%%-*}"
  local toolchain="$top/cmake/toolchains/mingw-$arch.cmake"
  rm -rf -- "$prefix" "$work"
  mkdir -p -- "$prefix" "$work"
  local common=(-G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_TOOLCHAIN_FILE=$toolchain" "-DTOVRA_WINDOWS_DEPS=$prefix"
    "-DCMAKE_INSTALL_PREFIX=$prefix" -DBUILD_SHARED_LIBS=OFF)

  # libxml2: no codecs beyond its own (no iconv), no compression, no
  # network, no programs. Its locks use the Win32 primitives, as in its
  # native Windows build, rather than the pthread.h MinGW also offers.
  run "libxml2-$triplet-configure.log" cmake -S "$source" -B "$work/libxml2" \
    "${common[@]}" -DHAVE_PTHREAD_H=OFF -DLIBXML2_WITH_ICONV=OFF \
    -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_HTTP=OFF \
    -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_PYTHON=OFF \
    -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF
  run "libxml2-$triplet-build.log" cmake --build "$work/libxml2" -j "$jobs"
  run "libxml2-$triplet-install.log" cmake --install "$work/libxml2"
  # An absolute prefix in the pkg-config file lets FindLibXml2 recognise the
  # library it found as the one pkg-config describes and take its
  # -DLIBXML_STATIC over.
  sed -i "s|^prefix=.*|prefix=$prefix|" "$prefix/lib/pkgconfig/libxml-2.0.pc"

  # GoogleTest with GoogleMock, from the sources of the googletest package.
  run "googletest-$triplet-configure.log" cmake -S /usr/src/googletest \
    -B "$work/googletest" "${common[@]}" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  run "googletest-$triplet-build.log" cmake --build "$work/googletest" -j "$jobs"
  run "googletest-$triplet-install.log" cmake --install "$work/googletest"

  rm -rf -- "$work"
  {
    stamp_request
    echo "libxml2 built $version"
  } >"$prefix/windows-deps.stamp"
}

mkdir -p -- "$log_dir"
install_missing
# The source version of the host's libxml2-dev, so that both editions parse
# with the same libxml2.
host_libxml2="$(dpkg-query -W -f='${source:Version}' libxml2-dev 2>/dev/null || true)"

todo=()
for triplet in "${triplets[@]}"; do
  prefix_ready "$triplet" || todo+=("$triplet")
done
if ((${#todo[@]})); then
  fetch_libxml2
  for triplet in "${todo[@]}"; do
    build_prefix "$triplet" "$libxml2_source" "$libxml2_version"
  done
  rm -rf -- "$deps_dir/src" "$deps_dir/build"
fi
