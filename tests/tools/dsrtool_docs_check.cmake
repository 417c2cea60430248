# Checks that dsrtool's manual page and bash completion cover the command
# line the built tool describes: every command and option that
# `dsrtool --help` and `dsrtool COMMAND --help` list must be in the page
# (each command's options in that command's subsection, or in OPTIONS with
# the options shared by the commands) and be offered by the completion, and
# the completion must be valid bash.
#
#   cmake -DDSRTOOL=<built dsrtool> -DMANPAGE=<dsrtool.1>
#         -DCOMPLETION=<dsrtool.bash-completion> -DWORK_DIR=<scratch folder>
#         -P dsrtool_docs_check.cmake
foreach(variable DSRTOOL MANPAGE COMPLETION WORK_DIR)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
  get_filename_component(${variable} ${${variable}} ABSOLUTE)
endforeach()
find_program(BASH bash)
if(NOT BASH)
  message(FATAL_ERROR "no bash to check the completion with")
endif()

set(problems "")
macro(problem text)
  string(APPEND problems "\n  ${text}")
endmacro()

# The standard output of dsrtool run with the arguments after `out_var`,
# which must succeed.
function(help_of out_var)
  execute_process(COMMAND ${DSRTOOL} ${ARGN} RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " shown)
    message(FATAL_ERROR "dsrtool ${shown} failed (${result}): ${error}")
  endif()
  set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

# Whether `text` holds `word` as a word of its own: not part of a longer
# option or name ("--json" is not found in "--jsonl").
function(has_word out_var text word)
  string(REGEX MATCH "[^A-Za-z0-9_-]${word}[^A-Za-z0-9_-]" found " ${text} ")
  if(found)
    set(${out_var} TRUE PARENT_SCOPE)
  else()
    set(${out_var} FALSE PARENT_SCOPE)
  endif()
endfunction()

# --- What the tool's help lists ---------------------------------------------

help_of(tool_help --help)
string(FIND "${tool_help}" "\nCommands:\n" start)
if(start LESS 0)
  message(FATAL_ERROR "dsrtool --help lists no commands:\n${tool_help}")
endif()
string(SUBSTRING "${tool_help}" ${start} -1 block)
string(FIND "${block}" "\n\n" end)
string(SUBSTRING "${block}" 0 ${end} block)
string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "${block}")
list(TRANSFORM commands STRIP)
list(LENGTH commands count)
if(count EQUAL 0)
  message(FATAL_ERROR "no commands found in dsrtool --help:\n${tool_help}")
endif()

# The tool's own options: the ones its help quotes as 'dsrtool --OPTION',
# and --help.
string(REGEX MATCHALL "'dsrtool --[a-z][a-z-]*'" quoted "${tool_help}")
set(tool_options --help)
foreach(item IN LISTS quoted)
  string(REGEX REPLACE "'dsrtool (.*)'" "\\1" option "${item}")
  list(APPEND tool_options ${option})
endforeach()

# Each command's options, long and short, from the "Options:" list of its
# help; the kinds `list` takes from its description.
set(kinds "")
foreach(command IN LISTS commands)
  help_of(text ${command} --help)
  string(FIND "${text}" "\nOptions:\n" start)
  if(start LESS 0)
    message(FATAL_ERROR "dsrtool ${command} --help lists no options:\n${text}")
  endif()
  string(SUBSTRING "${text}" ${start} -1 block)
  string(REGEX MATCHALL "\n  (-[A-Za-z], )?--[a-z][a-z-]*" lines "${block}")
  set(options_${command} "")
  foreach(line IN LISTS lines)
    string(REGEX MATCHALL "-?-[A-Za-z][a-z-]*" names "${line}")
    list(APPEND options_${command} ${names})
  endforeach()
  if(command STREQUAL "list")
    string(REPLACE "\n" " " flat "${text}")
    string(REGEX MATCH "is a kind \\(([a-z, ]+)\\)" found "${flat}")
    if(NOT found)
      message(FATAL_ERROR "dsrtool list --help names no kinds:\n${text}")
    endif()
    string(REPLACE ", " ";" kinds "${CMAKE_MATCH_1}")
  endif()
endforeach()

# --- The manual page --------------------------------------------------------

file(READ ${MANPAGE} page)
# The text as a reader sees it: "\-" is a hyphen, font changes and the
# escapes that only steer the layout are dropped.
string(REPLACE "\\-" "-" page "${page}")
string(REGEX REPLACE "\\\\f[BIRP]" "" page "${page}")
string(REGEX REPLACE "\\\\[c&%]" "" page "${page}")
string(REPLACE "\\~" " " page "${page}")

# The OPTIONS section: the options not tied to one command.
string(FIND "${page}" "\n.SH OPTIONS" start)
set(common "")
if(start GREATER_EQUAL 0)
  math(EXPR start "${start} + 1")
  string(SUBSTRING "${page}" ${start} -1 common)
  string(FIND "${common}" "\n.S" end)
  string(SUBSTRING "${common}" 0 ${end} common)
endif()

string(FIND "${page}" "\n.SH SYNOPSIS" start)
string(FIND "${page}" "\n.SH DESCRIPTION" end)
if(start LESS 0 OR end LESS start)
  problem("manual page: no SYNOPSIS section before DESCRIPTION")
else()
  math(EXPR length "${end} - ${start}")
  string(SUBSTRING "${page}" ${start} ${length} synopsis)
endif()
foreach(option IN LISTS tool_options)
  has_word(found "${page}" "${option}")
  if(NOT found)
    problem("manual page: no ${option}")
  endif()
endforeach()
foreach(command IN LISTS commands)
  has_word(found "${synopsis}" "${command}")
  if(NOT found)
    problem("manual page: command ${command} is not in the SYNOPSIS")
  endif()
  # The command's subsection: from ".SS COMMAND" to the next heading.
  string(FIND "${page}" "\n.SS ${command}" start)
  if(start LESS 0)
    string(FIND "${page}" "\n.SS \"${command}" start)
  endif()
  if(start LESS 0)
    problem("manual page: no subsection (.SS) for command ${command}")
    continue()
  endif()
  math(EXPR start "${start} + 1")
  string(SUBSTRING "${page}" ${start} -1 section)
  string(FIND "${section}" "\n.S" end)
  string(SUBSTRING "${section}" 0 ${end} section)
  foreach(option IN LISTS options_${command})
    has_word(found "${section}${common}" "${option}")
    if(NOT found)
      problem("manual page: neither ${command}'s subsection nor OPTIONS names ${option}")
    endif()
  endforeach()
endforeach()

# --- The completion ---------------------------------------------------------

execute_process(COMMAND ${BASH} -n ${COMPLETION} RESULT_VARIABLE result
                ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${COMPLETION} is not valid bash:\n${error}")
endif()

# The driver sources the script and completes each command line it is given
# as one argument (words split at blanks; a trailing blank starts an empty
# word), printing "LINE|OFFERED WORDS" per line, as bash would call the
# function `complete -p dsrtool` names.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/empty)
file(WRITE ${WORK_DIR}/driver.bash [=[
source "$1" || exit 3
shift
registration=$(complete -p dsrtool) || exit 4
function=${registration#*-F }
function=${function%% *}
for line in "$@"; do
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  "$function" dsrtool "${COMP_WORDS[COMP_CWORD]}" \
    "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s|%s\n' "$line" "${COMPREPLY[*]}"
done
]=])

set(lines "dsrtool " "dsrtool -" "dsrtool di" "dsrtool merge --d"
          "dsrtool list FILE ")
foreach(command IN LISTS commands)
  list(APPEND lines "dsrtool ${command} -")
endforeach()
# Run in an empty folder, so that no file name joins the words offered.
execute_process(COMMAND ${BASH} --norc --noprofile ${WORK_DIR}/driver.bash
                        ${COMPLETION} ${lines}
                WORKING_DIRECTORY ${WORK_DIR}/empty
                RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE error)
if(NOT result EQUAL 0 OR NOT error STREQUAL "")
  message(FATAL_ERROR "completing with ${COMPLETION} failed (${result}):\n"
                      "${error}")
endif()
string(REPLACE "\n" ";" replies "${output}")
foreach(reply IN LISTS replies)
  string(FIND "${reply}" "|" bar)
  if(bar LESS 0)
    continue()
  endif()
  string(SUBSTRING "${reply}" 0 ${bar} line)
  math(EXPR bar "${bar} + 1")
  string(SUBSTRING "${reply}" ${bar} -1 offered)
  string(MAKE_C_IDENTIFIER "${line}" key)
  set(offered_${key} "${offered}")
endforeach()

# The words `line` must be completed with, each offered.
function(expect_offered line)
  string(MAKE_C_IDENTIFIER "${line}" key)
  foreach(word IN LISTS ARGN)
    has_word(found "${offered_${key}}" "${word}")
    if(NOT found)
      problem("completion: \"${line}\" does not offer ${word} (it offers: ${offered_${key}})")
    endif()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()
# The one completion of `line`.
function(expect_exactly line word)
  string(MAKE_C_IDENTIFIER "${line}" key)
  if(NOT offered_${key} STREQUAL word)
    problem("completion: \"${line}\" gives \"${offered_${key}}\", not ${word}")
  endif()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

expect_offered("dsrtool " ${commands})
expect_offered("dsrtool -" ${tool_options})
expect_exactly("dsrtool di" diff)
expect_exactly("dsrtool merge --d" --dry-run)
expect_offered("dsrtool list FILE " ${kinds})
foreach(command IN LISTS commands)
  expect_offered("dsrtool ${command} -" ${options_${command}})
endforeach()

if(problems)
  message(FATAL_ERROR "dsrtool's manual page or completion is behind its "
                      "help:${problems}")
endif()
list(JOIN commands " " shown)
message(STATUS "manual page and completion cover ${shown}")
