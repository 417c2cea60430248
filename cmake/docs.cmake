# The library's reference: HTML made by doxygen from the installed API
# headers (devseries_api_headers) and docs/reference.dox into
# build/docs/html, built with everything else (target docs) and installed
# with the development files under share/doc/libdevseries-dev/html. Without
# doxygen (Debian's doxygen package) the build goes on without it. The test
# api_reference_documented checks that the modern surface is documented
# (cmake/check_api_docs.cmake).
find_package(Doxygen)
if(NOT DOXYGEN_FOUND)
  message(STATUS "Note: doxygen not found: the reference (target docs) is "
                 "neither built nor installed; install Debian's doxygen for it")
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E echo "doxygen not found: install Debian's doxygen"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
  return()
endif()

set(docs_dir ${PROJECT_BINARY_DIR}/docs)
set(docs_sources ${PROJECT_SOURCE_DIR}/docs/reference.dox)
foreach(header IN LISTS devseries_api_headers)
  list(APPEND docs_sources ${PROJECT_SOURCE_DIR}/${header})
endforeach()
set(DOCS_INPUT "")
foreach(source IN LISTS docs_sources)
  string(APPEND DOCS_INPUT " \"${source}\"")
endforeach()
set(DOCS_VERSION ${PROJECT_VERSION})
set(DOCS_OUTPUT ${docs_dir})
set(DOCS_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(DOCS_EXTRACT_ALL YES)
set(DOCS_WARN_IF_UNDOCUMENTED NO)
set(DOCS_WARN_LOGFILE "")
set(DOCS_GENERATE_HTML YES)
set(DOCS_GENERATE_XML NO)
configure_file(cmake/Doxyfile.in ${docs_dir}/Doxyfile @ONLY)

# Made afresh each time, so that no page of a header left out stays behind.
add_custom_command(OUTPUT ${docs_dir}/html/index.html
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${docs_dir}/html
  COMMAND Doxygen::doxygen ${docs_dir}/Doxyfile
  DEPENDS ${docs_dir}/Doxyfile ${docs_sources}
  COMMENT "Building the library's reference in ${docs_dir}/html"
  VERBATIM)
add_custom_target(docs ALL DEPENDS ${docs_dir}/html/index.html)

install(DIRECTORY ${docs_dir}/html/
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libdevseries-dev/html
  COMPONENT development)

if(TOVRA_BUILD_TESTS)
  add_test(NAME api_reference_documented
    COMMAND ${CMAKE_COMMAND} -DDOXYGEN=${DOXYGEN_EXECUTABLE}
            -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DWORK_DIR=${PROJECT_BINARY_DIR}/api-reference-check
            -P ${PROJECT_SOURCE_DIR}/cmake/check_api_docs.cmake)
endif()
