# Checks the library as a package others build on: installs it into a
# temporary prefix, builds the small consumer of tests/consumer against it
# with its CMake package and with a pkg-config one-liner, and runs both.
#
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DMODE=static|shared
#         [-DBUILD_DIR=<configured static build>] -P consumer_check.cmake
#
# static: installs the given build tree (the normal, static build).
# shared: configures and builds the project with BUILD_SHARED_LIBS=ON in
#         WORK_DIR, installs it, checks it, then makes the Debian packages
#         with CPack and checks the library once more from the unpacked
#         .deb files (dpkg -x).
foreach(variable SOURCE_DIR WORK_DIR MODE)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " shown)
    message(FATAL_ERROR "failed (${result}): ${shown}\n${output}")
  endif()
endfunction()

# Builds and runs the consumer against the installation under `prefix`,
# first through find_package, then through pkg-config.
function(check_consumer prefix label)
  # The library folder: lib/ or, for a /usr prefix on Debian, lib/<triplet>/.
  file(GLOB_RECURSE found ${prefix}/lib/libdevseries.*)
  list(GET found 0 library)
  get_filename_component(libdir ${library} DIRECTORY)
  set(build ${WORK_DIR}/consumer-${label})
  file(REMOVE_RECURSE ${build})
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${build}
      -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
  run(${CMAKE_COMMAND} --build ${build})
  run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir}
      ${build}/consumer ${build}/written.dsr)

  set(pc ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${libdir}/pkgconfig
      pkg-config)
  execute_process(COMMAND ${pc} --cflags --libs devseries
                  OUTPUT_VARIABLE flags RESULT_VARIABLE result
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "pkg-config finds no devseries under ${prefix}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(c++ ${SOURCE_DIR}/tests/consumer/consumer.cc -o ${build}/pc-consumer
      ${flags} -Wl,-rpath,${libdir})
  run(${build}/pc-consumer ${build}/pc-written.dsr)
  message(STATUS "${label}: consumer built with CMake and pkg-config, ran")
endfunction()

file(MAKE_DIRECTORY ${WORK_DIR})
if(MODE STREQUAL "static")
  set(prefix ${WORK_DIR}/static-prefix)
  file(REMOVE_RECURSE ${prefix})
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
  file(GLOB_RECURSE shared ${prefix}/lib/libdevseries.so*)
  if(shared)
    message(FATAL_ERROR "the static build installed a shared library")
  endif()
  check_consumer(${prefix} static)
elseif(MODE STREQUAL "shared")
  set(build ${WORK_DIR}/shared-build)
  set(prefix ${WORK_DIR}/shared-prefix)
  file(REMOVE_RECURSE ${prefix} ${WORK_DIR}/deb)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -DBUILD_SHARED_LIBS=ON
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
      -DTOVRA_BUILD_TESTS=OFF -DTOVRA_BUILD_BENCH=OFF)
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  run(${CMAKE_COMMAND} --build ${build} -j ${cores})
  run(${CMAKE_COMMAND} --install ${build} --prefix ${prefix})
  file(GLOB_RECURSE sonames ${prefix}/lib/libdevseries.so.1)
  if(NOT sonames)
    message(FATAL_ERROR "no libdevseries.so.1 installed")
  endif()
  check_consumer(${prefix} shared)

  # The Debian packages, unpacked without installing them.
  run(${CMAKE_COMMAND} -E chdir ${build} cpack -G DEB)
  file(GLOB debs ${build}/*.deb)
  list(LENGTH debs count)
  if(count LESS 2)
    message(FATAL_ERROR "cpack made ${count} package(s), expected the library and the programs")
  endif()
  foreach(deb IN LISTS debs)
    run(dpkg -x ${deb} ${WORK_DIR}/deb)
  endforeach()
  foreach(pattern usr/bin/dsrtool usr/bin/tovra_update usr/lib/*libdevseries.so.1
          usr/include/devseries/device_series.h
          usr/share/devseries/device_series.xsd
          usr/share/devseries/device_series.schema.json
          usr/share/man/man1/dsrtool.1
          usr/share/bash-completion/completions/dsrtool)
    file(GLOB_RECURSE found ${WORK_DIR}/deb/${pattern})
    if(NOT found AND NOT EXISTS ${WORK_DIR}/deb/${pattern})
      message(FATAL_ERROR "the packages hold no ${pattern}")
    endif()
  endforeach()
  check_consumer(${WORK_DIR}/deb/usr deb)
else()
  message(FATAL_ERROR "MODE is static or shared, not ${MODE}")
endif()
