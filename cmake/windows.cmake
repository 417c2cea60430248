# The Windows edition, cross-built with MinGW-w64 (cmake/toolchains/) and
# tested under Wine.
#
# nlohmann-json and CLI11 are Debian's header-only packages. Their package
# files name /usr/include, where glibc's headers would shadow MinGW's, so the
# build reaches them through a folder of its own that holds only their two
# subfolders.
set(tovra_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${tovra_host_headers})
foreach(folder nlohmann CLI)
  if(NOT IS_DIRECTORY /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: install "
            "nlohmann-json3-dev and libcli11-dev")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${tovra_host_headers}/${folder}
       SYMBOLIC)
endforeach()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
set_target_properties(nlohmann_json::nlohmann_json CLI11::CLI11 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${tovra_host_headers})

# The updater of the Windows edition is the 32-bit build's: a 64-bit build
# packs and tests that one (its own tovra_update.exe is tested too).
set(TOVRA_WINDOWS_UPDATER
  ${PROJECT_SOURCE_DIR}/build/windows-i686/tovra_update.exe CACHE FILEPATH
  "The 32-bit tovra_update.exe (build windows-i686) to pack and test under WOW64")

# Test programs run under Wine, in one throw-away prefix per CTest run: the
# fixture test wine_prefix_start makes it (about 15 seconds) and starts a
# persistent wineserver, wine_prefix_stop ends the server and removes it.
if(TOVRA_BUILD_TESTS)
  set(TOVRA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${PROJECT_SOURCE_DIR}/cmake/wine/run.sh ${TOVRA_WINE_PREFIX})
endif()

# libxml2 is linked statically: without LIBXML_STATIC its headers declare
# every function a DLL import.
set_property(TARGET LibXml2::LibXml2 APPEND PROPERTY
  INTERFACE_COMPILE_DEFINITIONS LIBXML_STATIC)
