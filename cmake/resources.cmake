# Embeds the resources named by a resource script into an executable.
#
#   tovra_add_resources(<target> <script.rc>)
#
# The script and every file in its folder are dependencies, so editing a
# payload rebuilds the table.
add_executable(rcembed ${CMAKE_CURRENT_LIST_DIR}/../resources/rcembed/rcembed.cc)

function(tovra_add_resources target script)
  get_filename_component(name ${script} NAME_WE)
  get_filename_component(folder ${script} DIRECTORY)
  file(GLOB payloads LIST_DIRECTORIES false CONFIGURE_DEPENDS ${folder}/*)
  list(FILTER payloads EXCLUDE REGEX "/rcembed$")
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}_resources.cc)
  add_custom_command(
    OUTPUT ${output}
    COMMAND rcembed ${script} ${output}
    DEPENDS rcembed ${script} ${payloads}
    COMMENT "Embedding resources of ${script} into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
