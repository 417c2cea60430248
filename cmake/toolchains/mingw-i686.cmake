# Cross build of the 32-bit Windows edition with MinGW-w64 (posix thread
# model), on Debian:
#
#   cmake -S . -B build/windows-i686 \
#     --toolchain cmake/toolchains/mingw-i686.cmake
#
# The libraries come from windows-deps/i686-w64-mingw32 in the build
# folder's parent (build/ above), made by scripts/windows_deps.sh build;
# mingw-common.cmake says more.

set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOVRA_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
