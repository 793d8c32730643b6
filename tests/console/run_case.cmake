# Runs the console host once and compares what it printed with an expected
# file: standard output, then "--- stderr" and the messages, then
# "--- exit status N" when it is not 0.
#   -DTESSEL=... -DEMULATOR=... -DWORKDIR=... -DEXPECTED=...
#   -DARGS=a|b|c   arguments, or
#   -DSCRIPT=file  a script, copied into WORKDIR and run there by its bare name;
#                  a first line "#! ARG..." gives options to put before `run`
#   -DINPUT=file   standard input (else none)
#   -DFILES=f|g    files copied into WORKDIR first
#   -DREADONLY=f|g files (of FILES) made read-only before the run
#   -DWRITTEN=f|g  files the run writes, appended to the output as
#                  "--- file NAME" and their text, carriage returns as \r
# Files a run left read-only are made writable again first, for systems that
# refuse to remove them.
if(EXISTS "${WORKDIR}")
  file(GLOB_RECURSE old "${WORKDIR}/*")
  foreach(f IN LISTS old)
    file(CHMOD "${f}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
endif()
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
string(REPLACE "|" ";" ARGS "${ARGS}")
string(REPLACE "|" ";" FILES "${FILES}")
string(REPLACE "|" ";" WRITTEN "${WRITTEN}")
string(REPLACE "|" ";" READONLY "${READONLY}")
foreach(f IN LISTS FILES)
  file(COPY "${f}" DESTINATION "${WORKDIR}")
endforeach()
foreach(f IN LISTS READONLY)
  file(CHMOD "${WORKDIR}/${f}" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
endforeach()
if(SCRIPT)
  get_filename_component(script_name "${SCRIPT}" NAME)
  file(COPY "${SCRIPT}" DESTINATION "${WORKDIR}")
  file(STRINGS "${SCRIPT}" first_line LIMIT_COUNT 1)
  if(first_line MATCHES "^#! (.*)$")
    separate_arguments(options UNIX_COMMAND "${CMAKE_MATCH_1}")
    list(APPEND ARGS ${options})
  endif()
  list(APPEND ARGS run "${script_name}")
endif()
if(NOT INPUT)
  set(INPUT /dev/null)
endif()
execute_process(COMMAND ${EMULATOR} "${TESSEL}" ${ARGS}
  WORKING_DIRECTORY "${WORKDIR}" INPUT_FILE "${INPUT}"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
set(actual "${out}")
if(NOT err STREQUAL "")
  string(APPEND actual "--- stderr\n${err}")
endif()
if(NOT status EQUAL 0)
  string(APPEND actual "--- exit status ${status}\n")
endif()
foreach(f IN LISTS WRITTEN)
  string(APPEND actual "--- file ${f}\n")
  if(EXISTS "${WORKDIR}/${f}")
    # Read as bytes: a text read drops carriage returns.
    file(READ "${WORKDIR}/${f}" hex HEX)
    string(REGEX MATCHALL ".." bytes "${hex}")
    foreach(byte IN LISTS bytes)
      if(byte STREQUAL "0d")
        string(APPEND actual "\\r")
      else()
        math(EXPR code "0x${byte}")
        string(ASCII ${code} char)
        string(APPEND actual "${char}")
      endif()
    endforeach()
  else()
    string(APPEND actual "(not written)\n")
  endif()
endforeach()
file(READ "${EXPECTED}" expected)
if(NOT actual STREQUAL expected)
  file(WRITE "${WORKDIR}/actual.txt" "${actual}")
  set(difference "")
  find_program(DIFF diff)
  if(DIFF)
    execute_process(COMMAND ${DIFF} -u "${EXPECTED}" "${WORKDIR}/actual.txt" OUTPUT_VARIABLE difference)
  endif()
  message(FATAL_ERROR "output differs from ${EXPECTED} (whole output in ${WORKDIR}/actual.txt):\n${difference}")
endif()
