# Checks that every #include "..." of the product points down the layers:
#
#   platform -> xmlio -> records, color -> devseries -> app, tools
#
# The library's layers live under devseries/ (devseries/platform/ and so on;
# the devseries layer is the files directly in devseries/) and are included
# by that path: "devseries/platform/com.h", "devseries/device_series.h". A
# file may include its own layer and any layer below it; records and color
# are one layer but do not include each other; app and tools stand side by
# side above the library and do not include each other either. Tests, fuzz
# targets and benchmarks are not the product and are not checked.
#
#   cmake -DSOURCE_DIR=<top of the tree> -P cmake/check_layers.cmake
#
# Only the platform layer may ask which system it is built for: above it, a
# preprocessor condition on _WIN32, _WIN64, __MINGW32__, __linux__ or
# __unix__ is an offence too. An include of a library folder by its own
# name ("platform/com.h") is an offence as well: that name is not the
# library's to take.
#
# Prints each offending line as FILE:LINE: message and fails when there is
# one.
cmake_policy(VERSION 3.25)
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

set(sublayers platform xmlio records color)

# layer_of(PATH VAR): the layer a file or an include path belongs to, or ""
# for none of the product's.
function(layer_of path var)
  set(result "")
  if(path MATCHES "^devseries/([^/]+)/")
    if(CMAKE_MATCH_1 IN_LIST sublayers)
      set(result "${CMAKE_MATCH_1}")
    endif()
  elseif(path MATCHES "^devseries/[^/]+$")
    set(result devseries)
  elseif(path MATCHES "^(app|tools)/")
    set(result "${CMAKE_MATCH_1}")
  endif()
  set(${var} "${result}" PARENT_SCOPE)
endfunction()

set(problems 0)
file(GLOB_RECURSE files "${SOURCE_DIR}/devseries/*.h" "${SOURCE_DIR}/devseries/*.cc"
     "${SOURCE_DIR}/app/*.h" "${SOURCE_DIR}/app/*.cc"
     "${SOURCE_DIR}/tools/*.h" "${SOURCE_DIR}/tools/*.cc")
foreach(file IN LISTS files)
  file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
  layer_of("${shown}" layer)
  file(STRINGS "${file}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(NOT layer STREQUAL "platform" AND line MATCHES
       "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif)[ \t(!]*.*(_WIN32|_WIN64|__MINGW32__|__linux__|__unix__)")
      message("${shown}:${number}: ${layer}/ asks which system it is built for; only platform/ may")
      math(EXPR problems "${problems} + 1")
      continue()
    endif()
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\"")
      continue()
    endif()
    set(included "${CMAKE_MATCH_1}")
    if(included MATCHES "^([^/]+)/" AND CMAKE_MATCH_1 IN_LIST sublayers)
      message("${shown}:${number}: includes ${CMAKE_MATCH_1}/ by its own name; the library's headers are included as devseries/${CMAKE_MATCH_1}/...")
      math(EXPR problems "${problems} + 1")
      continue()
    endif()
    layer_of("${included}" target)
    if(target STREQUAL "" OR target STREQUAL layer)
      continue()
    endif()
    set(bad FALSE)
    if(rank_${target} GREATER rank_${layer})
      set(bad "a lower layer includes a higher one")
    elseif(rank_${target} EQUAL rank_${layer})
      set(bad "layers side by side do not include each other")
    endif()
    if(bad)
      message("${shown}:${number}: ${layer}/ includes ${target}/: ${bad}")
      math(EXPR problems "${problems} + 1")
    endif()
  endforeach()
endforeach()

if(problems GREATER 0)
  message(FATAL_ERROR "${problems} line(s) break the layering")
endif()
message(STATUS "every include of the product points down the layers")
