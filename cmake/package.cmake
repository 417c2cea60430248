# Installation and packaging: libdevseries with its API headers, the CMake
# package DevSeries (imported target DevSeries::devseries), the pkg-config
# module devseries, the two programs (with dsrtool's manual page and bash
# completion), the schemas, and Debian packages made by CPack
# (`cpack -G DEB` in a build folder).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/package_windows.cmake)
  return()
endif()

include(CMakePackageConfigHelpers)

# The API headers (devseries_api_headers), under include/devseries/ as in
# the tree: a consumer's include path names PREFIX/include.
foreach(header IN LISTS devseries_api_headers)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder}
    COMPONENT development)
endforeach()

# DevSeries::devseries is the shared library when one is built (libxml2
# linked inside it), the static one otherwise. Beside a shared library the
# static one is installed too, as DevSeries::devseries_static, which a
# consumer asks for with find_package(DevSeries COMPONENTS static).
set(devseries_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/DevSeries)
if(BUILD_SHARED_LIBS)
  install(TARGETS devseries_shared EXPORT DevSeriesTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
            NAMELINK_COMPONENT development)
  install(TARGETS devseries EXPORT DevSeriesStaticTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  install(EXPORT DevSeriesStaticTargets NAMESPACE DevSeries::
    DESTINATION ${devseries_cmake_dir} COMPONENT development)
  set(DEVSERIES_MAIN_IS_STATIC FALSE)
else()
  install(TARGETS devseries EXPORT DevSeriesTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  set(DEVSERIES_MAIN_IS_STATIC TRUE)
endif()
install(EXPORT DevSeriesTargets NAMESPACE DevSeries::
  DESTINATION ${devseries_cmake_dir} COMPONENT development)
configure_package_config_file(cmake/DevSeriesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/DevSeriesConfig.cmake
  INSTALL_DESTINATION ${devseries_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DevSeriesConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DevSeriesConfig.cmake
  ${PROJECT_BINARY_DIR}/DevSeriesConfigVersion.cmake
  DESTINATION ${devseries_cmake_dir} COMPONENT development)

# The .pc file names the prefix relative to its own folder, so an
# installation moved elsewhere (or unpacked with dpkg -x) still works.
# libxml2 is a private library of the static one: a static link
# (pkg-config --static) adds -lxml2, a link with the shared library needs
# nothing of it. It is not a Requires.private: pkg-config would then print
# libxml2's include folder to every consumer, and a static link would ask
# for the static libraries libxml2 itself is made of (zlib, liblzma), which
# a link with libxml2's shared library does not need.
file(RELATIVE_PATH DEVSERIES_PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/devseries.pc.in ${PROJECT_BINARY_DIR}/devseries.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/devseries.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# The XML Schema of the files and the JSON Schema of dsrtool's JSON form.
install(FILES resources/device_series.xsd resources/device_series.schema.json
  DESTINATION ${CMAKE_INSTALL_DATADIR}/devseries COMPONENT programs)

install(TARGETS tovra_update dsrtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT programs)
# dsrtool's manual page and its bash completion, which bash-completion loads
# by the command's name on first use.
install(FILES tools/dsrtool/dsrtool.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
install(FILES tools/dsrtool/dsrtool.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME dsrtool COMPONENT programs)

# Debian packages, laid out as Debian lays out a library:
#
#   libdevseries1     the shared library (SONAME libdevseries.so.1)
#   libdevseries-dev  the headers, the .so link, the static library, the
#                     CMake and pkg-config files; depends on the runtime
#                     package and on libxml2-dev (the static link's)
#   tovra-tools       tovra_update and dsrtool (linked statically with the
#                     library), dsrtool's manual page and completion, the
#                     schemas of the files and of dsrtool's JSON form
#
# A static-only build makes the last two. Shared-library dependencies are
# found with dpkg-shlibdeps (dpkg-dev, and file, which CPack runs on each
# binary).
set(CPACK_PACKAGE_NAME devseries)
set(CPACK_PACKAGE_VENDOR "Vintrell")
set(CPACK_PACKAGE_CONTACT "Ostrivane maintenance <maintenance@vintrell.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
if(BUILD_SHARED_LIBS)
  set(CPACK_COMPONENTS_ALL runtime development programs)
else()
  set(CPACK_COMPONENTS_ALL development programs)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_FILE_NAME devseries-${PROJECT_VERSION})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libdevseries${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libdevseries-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
if(BUILD_SHARED_LIBS)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libdevseries${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION}), libxml2-dev")
else()
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libxml2-dev")
endif()
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME tovra-tools)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "libdevseries: reads, writes, normalises and merges device-series files")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "libdevseries: headers, static library and package files for programs that use it")
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
  # The .deb files installed into a clean Debian 12 root (made by
  # scripts/debian_root.sh; skipped when there is none or when not root).
  set(TOVRA_DEBIAN_ROOT ${PROJECT_SOURCE_DIR}/build/debian-root CACHE PATH
    "The clean Debian root the packages are checked in")
  add_test(NAME package_consumer_clean_root
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/clean_root_check.sh ${TOVRA_DEBIAN_ROOT}
            ${PROJECT_BINARY_DIR}/consumer-check/debs ${PROJECT_SOURCE_DIR}
            ${PROJECT_BINARY_DIR}/consumer-check/clean-root)
  set_tests_properties(package_consumer_static package_consumer_shared_and_deb
    package_consumer_clean_root
    PROPERTIES LABELS package RESOURCE_LOCK consumer_check)
  set_tests_properties(package_consumer_shared_and_deb PROPERTIES
    FIXTURES_SETUP debian_packages)
  set_tests_properties(package_consumer_clean_root PROPERTIES
    FIXTURES_REQUIRED debian_packages SKIP_RETURN_CODE 77)
endif()
if(TOVRA_BUILD_TESTS)
  add_test(NAME include_directions
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake)
endif()
