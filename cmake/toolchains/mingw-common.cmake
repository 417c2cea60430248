# The part of the MinGW-w64 toolchain files common to both Windows targets:
# included by mingw-i686.cmake and mingw-x86_64.cmake after they set
# CMAKE_SYSTEM_PROCESSOR and TOVRA_MINGW_TRIPLET.
#
# Third-party libraries (static libxml2, GoogleTest) come from the prefix
# scripts/windows_deps.sh builds, TOVRA_WINDOWS_DEPS: by default
# windows-deps/<triplet> in the build folder's parent, or the environment
# variable of that name. Headers and libraries are searched only there and
# in the MinGW sysroot, never in the host's /usr. Executables link the C and
# C++ runtimes statically. The static libxml2 needs LIBXML_STATIC in its
# consumers.

set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TOVRA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOVRA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOVRA_MINGW_TRIPLET}-windres)

# The cache keeps the prefix of the first configure; try_compile projects,
# whose binary folder lies elsewhere, get it passed on.
if(NOT DEFINED TOVRA_WINDOWS_DEPS)
  if(DEFINED ENV{TOVRA_WINDOWS_DEPS})
    set(tovra_windows_deps_default "$ENV{TOVRA_WINDOWS_DEPS}")
  else()
    get_filename_component(tovra_windows_deps_default
      "${CMAKE_BINARY_DIR}/../windows-deps/${TOVRA_MINGW_TRIPLET}" ABSOLUTE)
  endif()
  set(TOVRA_WINDOWS_DEPS "${tovra_windows_deps_default}" CACHE PATH
    "Prefix of the Windows edition's third-party libraries (scripts/windows_deps.sh)")
  unset(tovra_windows_deps_default)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOVRA_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${TOVRA_MINGW_TRIPLET} "${TOVRA_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config (FindLibXml2 asks it) reads only the prefix's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${TOVRA_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
