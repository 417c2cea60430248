# Checks the library as a package others build on: installs it into a
# temporary prefix, compiles each installed header on its own as C++17 and
# C++20 (tests/consumer/headers), builds the small consumer of
# tests/consumer against it with its CMake package and with pkg-config, as
# C++17 and as C++20, and runs it.
#
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DMODE=static|shared
#         [-DBUILD_DIR=<configured static build>] -P consumer_check.cmake
#
# static: installs the given build tree (the normal, static build).
# shared: configures and builds the project with BUILD_SHARED_LIBS=ON in
#         WORK_DIR, installs it, checks it and what its shared library
#         exports, then makes the Debian packages with CPack, checks their
#         layout and checks the library once more from the unpacked .deb
#         files (dpkg -x). The packages stay in WORK_DIR/debs for the check
#         in a clean Debian root (cmake/clean_root_check.sh).
foreach(variable SOURCE_DIR WORK_DIR MODE)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " shown)
    message(FATAL_ERROR "failed (${result}): ${shown}\n${output}")
  endif()
endfunction()

# Builds and runs the consumer against the installation under `prefix`:
# the header check, then through find_package and through pkg-config, each
# as C++17 and C++20. `static` is the pkg-config option the installation's
# library needs ("--static" for a static-only one).
function(check_consumer prefix label static)
  # The library folder: lib/ or, for a /usr prefix on Debian, lib/<triplet>/.
  file(GLOB_RECURSE found ${prefix}/lib/libdevseries.*)
  list(GET found 0 library)
  get_filename_component(libdir ${library} DIRECTORY)
  set(build ${WORK_DIR}/consumer-${label})
  file(REMOVE_RECURSE ${build})

  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer/headers -B ${build}/headers
      -DDEVSERIES_INCLUDE_DIR=${prefix}/include)
  run(${CMAKE_COMMAND} --build ${build}/headers -j ${cores})

  set(pc ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${libdir}/pkgconfig pkg-config)
  execute_process(COMMAND ${pc} --cflags --libs ${static} devseries
                  OUTPUT_VARIABLE flags RESULT_VARIABLE result
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "pkg-config finds no devseries under ${prefix}")
  endif()
  if(flags MATCHES "-std=")
    message(FATAL_ERROR "the .pc file chooses the consumer's standard: ${flags}")
  endif()
  execute_process(COMMAND ${pc} --cflags ${static} devseries
                  OUTPUT_VARIABLE cflags OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(cflags MATCHES "xml")
    message(FATAL_ERROR "the .pc file puts libxml2 on the consumer's path: ${cflags}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")

  foreach(standard 17 20)
    run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${build}/c++${standard}
        -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_CXX_STANDARD=${standard})
    run(${CMAKE_COMMAND} --build ${build}/c++${standard})
    run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir}
        ${build}/c++${standard}/consumer ${build}/written-${standard}.dsr)
    run(c++ -std=c++${standard} ${SOURCE_DIR}/tests/consumer/consumer.cc
        -o ${build}/pc-consumer-${standard} ${flags} -Wl,-rpath,${libdir})
    run(${build}/pc-consumer-${standard} ${build}/pc-written-${standard}.dsr)
  endforeach()
  message(STATUS "${label}: headers compiled alone; consumer built with CMake "
                 "and pkg-config as C++17 and C++20, ran")
endfunction()

# run_example(EXIT_CODE REGEX PROGRAM ARG...): runs an example program and
# fails unless it exits with EXIT_CODE and what it prints matches REGEX.
function(run_example code regex)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result STREQUAL code OR NOT output MATCHES "${regex}")
    list(JOIN ARGN " " shown)
    message(FATAL_ERROR "${shown}: exit ${result}, not ${code}, or the output "
                        "does not match \"${regex}\":\n${output}")
  endif()
endfunction()

# line_of(VARIABLE TEXT WHAT): the 1-based line of TEXT where WHAT first
# stands.
function(line_of variable text what)
  string(FIND "${text}" "${what}" at)
  string(SUBSTRING "${text}" 0 ${at} before)
  string(REGEX MATCHALL "\n" newlines "${before}")
  list(LENGTH newlines count)
  math(EXPR line "${count} + 1")
  set(${variable} ${line} PARENT_SCOPE)
endfunction()

# Builds the example programs (examples/) against the installation under
# `prefix` as C++17 and runs them on the example series; report_problem
# also on a copy that is not well-formed (exit 1, naming its file and line)
# and on one holding a number with a unit (read, the coerced value named
# with its file, line and element path).
function(check_examples prefix)
  set(build ${WORK_DIR}/examples)
  file(REMOVE_RECURSE ${build})
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples -B ${build}
      -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_CXX_STANDARD=17 -DCMAKE_CXX_FLAGS=-Werror)
  run(${CMAKE_COMMAND} --build ${build} -j ${cores})

  set(series ${SOURCE_DIR}/examples/studio-series.dsr)
  run_example(0 "^2 models\n  Ostrivane VX-540\n.*\n6 inks\n  C  Cyan\n.*\n3 media\n  Glossy photo paper\n"
              ${build}/list_series ${series})
  run_example(0 "/edited\\.dsr: drying time 60, output table at 95 %; read back as written\n$"
              ${build}/edit_series ${series} ${build}/edited.dsr)
  run_example(0 "^[^\n]*/studio-series\\.dsr: read, values coerced: 0\n$"
              ${build}/report_problem ${series})

  file(READ ${series} text)
  string(REPLACE "</nHeadNum>" "</nHeadNumber>" broken "${text}")
  file(WRITE ${build}/broken.dsr "${broken}")
  line_of(line "${text}" "</nHeadNum>")
  run_example(1 "/broken\\.dsr:${line}: " ${build}/report_problem ${build}/broken.dsr)

  string(REPLACE "<nDryTime>30</nDryTime>" "<nDryTime>30s</nDryTime>" coerced "${text}")
  file(WRITE ${build}/coerced.dsr "${coerced}")
  line_of(line "${text}" "<nDryTime>30</nDryTime>")
  run_example(0 "/coerced\\.dsr:${line}: DeviceSeries/aMediaInfoList/MediaInfo\\[1\\]/nDryTime: [^\n]*\n[^\n]*: read, values coerced: 1\n$"
              ${build}/report_problem ${build}/coerced.dsr)
  message(STATUS "examples built as C++17 and run")
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
  check_consumer(${prefix} static --static)
  check_examples(${prefix})
elseif(MODE STREQUAL "shared")
  set(build ${WORK_DIR}/shared-build)
  set(prefix ${WORK_DIR}/shared-prefix)
  file(REMOVE_RECURSE ${prefix} ${WORK_DIR}/deb ${WORK_DIR}/debs)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -DBUILD_SHARED_LIBS=ON
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
      -DTOVRA_BUILD_TESTS=OFF -DTOVRA_BUILD_BENCH=OFF)
  run(${CMAKE_COMMAND} --build ${build} -j ${cores})
  run(${CMAKE_COMMAND} --install ${build} --prefix ${prefix})
  file(GLOB_RECURSE sonames ${prefix}/lib/libdevseries.so.1)
  if(NOT sonames)
    message(FATAL_ERROR "no libdevseries.so.1 installed")
  endif()
  # What the shared library exports is the API: nothing of the updater,
  # the host's stand-ins, the codecs' mechanics or the test hooks.
  list(GET sonames 0 soname)
  execute_process(COMMAND nm -D -C --defined-only ${soname}
                  OUTPUT_VARIABLE exported RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "nm cannot read ${soname}")
  endif()
  foreach(internal ForTesting CWinApp AfxGet Registry RegOpenKey Wow64
          LoadString "XmlStreamWriter::" "DomElementBuilder::" Base64
          DebugOutput ResourceFileWriter)
    if(exported MATCHES "[^\n]*${internal}[^\n]*")
      message(FATAL_ERROR "libdevseries.so exports ${CMAKE_MATCH_0}")
    endif()
  endforeach()
  check_consumer(${prefix} shared "")

  # The Debian packages, unpacked without installing them.
  file(GLOB old_debs ${build}/*.deb)
  if(old_debs)
    file(REMOVE ${old_debs})
  endif()
  run(${CMAKE_COMMAND} -E chdir ${build} cpack -G DEB)
  file(GLOB debs ${build}/*.deb)
  file(MAKE_DIRECTORY ${WORK_DIR}/debs)
  file(COPY ${debs} DESTINATION ${WORK_DIR}/debs)
  # Each package and what it holds (and only it): the runtime library, the
  # development files, the programs.
  set(holds_libdevseries1 "usr/lib/*/libdevseries.so.1" "usr/lib/*/libdevseries.so.1.*")
  set(holds_libdevseries-dev usr/include/devseries/device_series.h
      usr/include/devseries/devseries.h usr/include/devseries/status.h
      "usr/lib/*/libdevseries.so" "usr/lib/*/libdevseries.a"
      "usr/lib/*/cmake/DevSeries/DevSeriesConfig.cmake"
      "usr/lib/*/pkgconfig/devseries.pc")
  # The reference, which a build with doxygen makes.
  find_program(doxygen doxygen)
  if(doxygen)
    list(APPEND holds_libdevseries-dev
      usr/share/doc/libdevseries-dev/html/index.html
      usr/share/doc/libdevseries-dev/html/namespacedevseries.html)
  endif()
  set(holds_tovra-tools usr/bin/dsrtool usr/bin/tovra_update
      usr/share/devseries/device_series.xsd
      usr/share/devseries/device_series.schema.json
      usr/share/man/man1/dsrtool.1
      usr/share/bash-completion/completions/dsrtool)
  foreach(package libdevseries1 libdevseries-dev tovra-tools)
    file(GLOB deb ${build}/${package}_*.deb)
    if(NOT deb)
      message(FATAL_ERROR "cpack made no ${package} package")
    endif()
    set(unpacked ${WORK_DIR}/deb-${package})
    file(REMOVE_RECURSE ${unpacked})
    run(dpkg -x ${deb} ${unpacked})
    run(dpkg -x ${deb} ${WORK_DIR}/deb)
    foreach(pattern IN LISTS holds_${package})
      file(GLOB found ${unpacked}/${pattern})
      if(NOT found)
        message(FATAL_ERROR "${package} holds no ${pattern}")
      endif()
    endforeach()
    file(REMOVE_RECURSE ${unpacked})
  endforeach()
  file(GLOB runtime ${build}/libdevseries1_*.deb)
  execute_process(COMMAND dpkg-deb -c ${runtime} OUTPUT_VARIABLE listing)
  if(listing MATCHES "usr/include|\\.a\n|usr/bin")
    message(FATAL_ERROR "libdevseries1 holds more than the shared library:\n${listing}")
  endif()
  file(GLOB development ${build}/libdevseries-dev_*.deb)
  execute_process(COMMAND dpkg-deb -f ${development} Depends
                  OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT depends MATCHES "libdevseries1 \\(= [0-9.]+\\)" OR NOT depends MATCHES "libxml2-dev")
    message(FATAL_ERROR "libdevseries-dev depends on: ${depends}")
  endif()
  check_consumer(${WORK_DIR}/deb/usr deb "")
else()
  message(FATAL_ERROR "MODE is static or shared, not ${MODE}")
endif()
