# Embeds the resources named by a resource script into an executable.
#
#   tovra_add_resources(<target> <script.rc> [DEPENDS <file>...])
#
# On Windows the script is compiled by windres into the executable's own
# module resources (RT_MANIFEST is given its number, 24, which the script
# names without including winuser.h). Elsewhere rcembed turns it into a
# table the library reads. The script and every file in its folder are
# dependencies, so editing a payload rebuilds either; DEPENDS names payloads
# the script reaches outside its folder.
if(WIN32)
  function(tovra_add_resources target script)
    get_filename_component(name ${script} NAME_WE)
    get_filename_component(folder ${script} DIRECTORY)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "DEPENDS")
    file(GLOB payloads LIST_DIRECTORIES false CONFIGURE_DEPENDS ${folder}/*)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}_resources.obj)
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_RC_COMPILER} -DRT_MANIFEST=24 -I ${folder} -O coff
              -i ${script} -o ${output}
      WORKING_DIRECTORY ${folder}
      DEPENDS ${script} ${payloads} ${arg_DEPENDS}
      COMMENT "Compiling resources of ${script} into ${target}"
      VERBATIM)
    set_source_files_properties(${output} PROPERTIES
      EXTERNAL_OBJECT TRUE GENERATED TRUE)
    target_sources(${target} PRIVATE ${output})
  endfunction()
  return()
endif()

add_executable(rcembed ${CMAKE_CURRENT_LIST_DIR}/../resources/rcembed/rcembed.cc)

function(tovra_add_resources target script)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "DEPENDS")
  get_filename_component(name ${script} NAME_WE)
  get_filename_component(folder ${script} DIRECTORY)
  file(GLOB payloads LIST_DIRECTORIES false CONFIGURE_DEPENDS ${folder}/*)
  list(FILTER payloads EXCLUDE REGEX "/rcembed$")
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}_resources.cc)
  add_custom_command(
    OUTPUT ${output}
    COMMAND rcembed ${script} ${output}
    DEPENDS rcembed ${script} ${payloads} ${arg_DEPENDS}
    COMMENT "Embedding resources of ${script} into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
