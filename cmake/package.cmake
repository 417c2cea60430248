# Installation and packaging: libdevseries with its headers, the CMake
# package DevSeries (imported target DevSeries::devseries), the pkg-config
# module devseries, the two programs (with dsrtool's manual page and bash
# completion), the XML Schema, and Debian packages made by CPack
# (`cpack -G DEB` in a build folder).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/package_windows.cmake)
  return()
endif()

include(CMakePackageConfigHelpers)

# Public headers keep their folders under include/devseries/; a consumer's
# include path names PREFIX/include, so it writes
# #include <devseries/device_series.h>. Internal headers stay out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/devseries/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/devseries
  COMPONENT library
  FILES_MATCHING PATTERN "*.h"
  PATTERN "internal" EXCLUDE
  PATTERN "*_internal.h" EXCLUDE)

install(TARGETS devseries EXPORT DevSeriesTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
          NAMELINK_COMPONENT library
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(devseries_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/DevSeries)
install(EXPORT DevSeriesTargets NAMESPACE DevSeries::
  DESTINATION ${devseries_cmake_dir} COMPONENT library)
configure_package_config_file(cmake/DevSeriesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/DevSeriesConfig.cmake
  INSTALL_DESTINATION ${devseries_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DevSeriesConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DevSeriesConfig.cmake
  ${PROJECT_BINARY_DIR}/DevSeriesConfigVersion.cmake
  DESTINATION ${devseries_cmake_dir} COMPONENT library)

# The .pc file names the prefix relative to its own folder, so an
# installation moved elsewhere (or unpacked with dpkg -x) still works.
file(RELATIVE_PATH DEVSERIES_PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
# A static libdevseries needs libxml2 on the consumer's link line; a shared
# one links it itself.
if(BUILD_SHARED_LIBS)
  set(DEVSERIES_PC_REQUIRES Requires.private)
else()
  set(DEVSERIES_PC_REQUIRES Requires)
endif()
configure_file(cmake/devseries.pc.in ${PROJECT_BINARY_DIR}/devseries.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/devseries.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT library)

# The XML Schema of the files and the JSON Schema of dsrtool's JSON form.
install(FILES resources/device_series.xsd resources/device_series.schema.json
  DESTINATION ${CMAKE_INSTALL_DATADIR}/devseries COMPONENT library)

install(TARGETS tovra_update dsrtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT programs)
# dsrtool's manual page and its bash completion, which bash-completion loads
# by the command's name on first use.
install(FILES tools/dsrtool/dsrtool.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
install(FILES tools/dsrtool/dsrtool.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME dsrtool COMPONENT programs)

# Debian packages: libdevseries (library, headers, package files, schema)
# and tovra-tools (the two programs, dsrtool's manual page and completion).
# Shared-library dependencies are found with dpkg-shlibdeps (dpkg-dev, and
# file, which CPack runs on each binary).
set(CPACK_PACKAGE_NAME devseries)
set(CPACK_PACKAGE_VENDOR "Vintrell")
set(CPACK_PACKAGE_CONTACT "Ostrivane maintenance <maintenance@vintrell.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL library programs)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The programs' package depends on the library's, which CPack stages beside
# it: dpkg-shlibdeps looks for libdevseries there.
set(CPACK_PACKAGE_FILE_NAME devseries-${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${PROJECT_BINARY_DIR}/_CPack_Packages/Linux/DEB/${CPACK_PACKAGE_FILE_NAME}/library${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libdevseries)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME tovra-tools)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "libdevseries (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION
  "libdevseries: reads, writes, normalises and merges device-series files")
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION
  "tovra_update and dsrtool, the updater and the device-series tool")
include(CPack)

# The consumer check: the installed package used by a separate project
# (static here; the shared build, its packages and the .deb files in a
# second test). Instrumented builds cannot link an uninstrumented consumer.
if(TOVRA_BUILD_TESTS AND TOVRA_CONSUMER_CHECK AND NOT BUILD_SHARED_LIBS)
  add_test(NAME package_consumer_static
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DBUILD_DIR=${PROJECT_BINARY_DIR}
            -DWORK_DIR=${PROJECT_BINARY_DIR}/consumer-check -DMODE=static
            -P ${PROJECT_SOURCE_DIR}/cmake/consumer_check.cmake)
  add_test(NAME package_consumer_shared_and_deb
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DWORK_DIR=${PROJECT_BINARY_DIR}/consumer-check -DMODE=shared
            -P ${PROJECT_SOURCE_DIR}/cmake/consumer_check.cmake)
  set_tests_properties(package_consumer_static package_consumer_shared_and_deb
    PROPERTIES LABELS package RESOURCE_LOCK consumer_check)
endif()
if(TOVRA_BUILD_TESTS)
  add_test(NAME include_directions
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake)
endif()
