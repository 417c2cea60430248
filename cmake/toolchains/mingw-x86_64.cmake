# Cross build of the 64-bit Windows edition with MinGW-w64 (posix thread
# model), on Debian:
#
#   cmake -S . -B build/windows-x86_64 \
#     --toolchain cmake/toolchains/mingw-x86_64.cmake
#
# The libraries come from windows-deps/x86_64-w64-mingw32 in the build
# folder's parent (build/ above), made by scripts/windows_deps.sh build;
# mingw-common.cmake says more.

set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOVRA_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
