# Checks that every #include "..." of the product points down the layers:
#
#   platform -> xmlio -> records, color -> devseries -> app, tools
#
# A file may include its own layer and any layer below it; records and color
# are one layer but do not include each other; app and tools stand side by
# side above the library and do not include each other either. Tests, fuzz
# targets and benchmarks are not the product and are not checked.
#
#   cmake -DSOURCE_DIR=<top of the tree> -P cmake/check_layers.cmake
#
# Only platform/ may ask which system it is built for: above it, a
# preprocessor condition on _WIN32, _WIN64, __MINGW32__, __linux__ or
# __unix__ is an offence too.
#
# Prints each offending line as FILE:LINE: message and fails when there is
# one.
if(NOT SOURCE_DIR)
  get_filename_component(SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()

# Rank of each layer folder: a file may include ranks up to its own.
set(rank_platform 0)
set(rank_xmlio 1)
set(rank_records 2)
set(rank_color 2)
set(rank_devseries 3)
set(rank_app 4)
set(rank_tools 4)
set(layers platform xmlio records color devseries app tools)

set(problems 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cc")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines)
    set(number 0)
    foreach(line IN LISTS lines)
      math(EXPR number "${number} + 1")
      if(NOT layer STREQUAL "platform" AND line MATCHES
         "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif)[ \t(!]*.*(_WIN32|_WIN64|__MINGW32__|__linux__|__unix__)")
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        message("${shown}:${number}: ${layer}/ asks which system it is built for; only platform/ may")
        math(EXPR problems "${problems} + 1")
        continue()
      endif()
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]+\"([^/\"]+)/")
        continue()
      endif()
      set(target "${CMAKE_MATCH_1}")
      if(NOT DEFINED rank_${target} OR target STREQUAL layer)
        continue()
      endif()
      set(bad FALSE)
      if(rank_${target} GREATER rank_${layer})
        set(bad "a lower layer includes a higher one")
      elseif(rank_${target} EQUAL rank_${layer})
        set(bad "layers side by side do not include each other")
      endif()
      if(bad)
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        message("${shown}:${number}: ${layer}/ includes ${target}/: ${bad}")
        math(EXPR problems "${problems} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems GREATER 0)
  message(FATAL_ERROR "${problems} line(s) break the layering")
endif()
message(STATUS "every include of the product points down the layers")
