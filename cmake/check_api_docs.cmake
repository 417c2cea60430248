# Fails when a declaration of the library's modern surface is not
# documented: runs doxygen on those headers alone (with docs/reference.dox,
# which documents the namespace), listing only what is documented, and
# prints each warning it gives (an undocumented class, member, function or
# enumeration, a documentation error) and each enumerator without a
# description, which doxygen does not warn about.
#
#   cmake -DDOXYGEN=... -DSOURCE_DIR=... -DWORK_DIR=... -P check_api_docs.cmake
foreach(variable DOXYGEN SOURCE_DIR WORK_DIR)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

# The headers of the modern surface, those the tree holds.
set(headers devseries/devseries.h devseries/enumerations.h devseries/status.h)
set(DOCS_INPUT "\"${SOURCE_DIR}/docs/reference.dox\"")
foreach(header IN LISTS headers)
  if(EXISTS ${SOURCE_DIR}/${header})
    string(APPEND DOCS_INPUT " \"${SOURCE_DIR}/${header}\"")
  endif()
endforeach()
set(DOCS_VERSION "")
set(DOCS_OUTPUT ${WORK_DIR})
set(DOCS_SOURCE_DIR ${SOURCE_DIR})
set(DOCS_EXTRACT_ALL NO)
set(DOCS_WARN_IF_UNDOCUMENTED YES)
set(DOCS_WARN_LOGFILE ${WORK_DIR}/warnings.log)
set(DOCS_GENERATE_HTML NO)
set(DOCS_GENERATE_XML YES)
file(REMOVE_RECURSE ${WORK_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/Doxyfile.in ${WORK_DIR}/Doxyfile @ONLY)

execute_process(COMMAND ${DOXYGEN} ${WORK_DIR}/Doxyfile
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "doxygen failed (${result}):\n${output}")
endif()
file(READ ${WORK_DIR}/warnings.log problems)
string(STRIP "${problems}" problems)

# Enumerators: in the XML each enumeration's member holds its enumerators,
# then its location (relative to STRIP_FROM_PATH).
file(GLOB compounds ${WORK_DIR}/xml/class*.xml ${WORK_DIR}/xml/struct*.xml
     ${WORK_DIR}/xml/namespace*.xml)
set(blank "[ \t\r\n]*")
foreach(compound IN LISTS compounds)
  file(READ ${compound} text)
  # One list element per member (the text's own semicolons set aside).
  string(REPLACE ";" "," text "${text}")
  string(REPLACE "<memberdef " ";<memberdef " members "${text}")
  foreach(member IN LISTS members)
    if(NOT member MATCHES "^<memberdef kind=\"enum\"")
      continue()
    endif()
    string(REGEX MATCH "<qualifiedname>([^<]*)</qualifiedname>" _ "${member}")
    set(enum ${CMAKE_MATCH_1})
    string(REGEX MATCH "<location file=\"([^\"]*)\" line=\"([0-9]+)\"" _ "${member}")
    set(where "${SOURCE_DIR}/${CMAKE_MATCH_1}:${CMAKE_MATCH_2}")
    string(REGEX MATCHALL
      "<enumvalue [^>]*>${blank}<name>[^<]*</name>${blank}<briefdescription>${blank}</briefdescription>${blank}<detaileddescription>${blank}</detaileddescription>"
      bare "${member}")
    foreach(value IN LISTS bare)
      string(REGEX MATCH "<name>([^<]*)</name>" _ "${value}")
      string(APPEND problems
        "\n${where}: warning: Enumerator ${enum}::${CMAKE_MATCH_1} is not documented.")
    endforeach()
  endforeach()
endforeach()

string(STRIP "${problems}" problems)
if(problems)
  # As doxygen gives them, one a line (a FATAL_ERROR's text is rewrapped).
  message("${problems}")
  message(FATAL_ERROR "The modern surface has undocumented declarations")
endif()
string(REPLACE "\"" "" checked "${DOCS_INPUT}")
message(STATUS "Every declaration documented in:${checked}")
