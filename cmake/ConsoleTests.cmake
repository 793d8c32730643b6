# tessel_console_test(NAME n EXPECTED file [SCRIPT file] [INPUT file] [ARGS a b ...] [FILES f ...] [WRITTEN f ...]
#                     [READONLY f ...] [ENV V=x ...] [LIMITS KiB seconds])
# Runs the console host in a fresh folder (FILES copied in first): on SCRIPT
# with `run`, or with ARGS (INPUT as its standard input), and compares its
# output (and the WRITTEN files) with EXPECTED (see tests/console/run_case.cmake),
# with the ENV variables set. Where the system's own words show through (a
# loader's message), the Windows build compares with X.windows.expected if there is one; where
# the size of a cell does (memory estimates), a 32-bit build with X.32bit.expected.
function(tessel_console_test)
  cmake_parse_arguments(T "" "NAME;EXPECTED;SCRIPT;INPUT" "ARGS;FILES;WRITTEN;READONLY;ENV;LIMITS" ${ARGN})
  string(REGEX REPLACE "\\.expected$" ".windows.expected" windows_expected "${T_EXPECTED}")
  string(REGEX REPLACE "\\.expected$" ".32bit.expected" narrow_expected "${T_EXPECTED}")
  if(WIN32 AND EXISTS "${windows_expected}")
    set(T_EXPECTED "${windows_expected}")
  elseif(CMAKE_SIZEOF_VOID_P EQUAL 4 AND EXISTS "${narrow_expected}")
    set(T_EXPECTED "${narrow_expected}")
  endif()
  # Lists go through the command line joined with |.
  set(lists)
  foreach(list ARGS FILES WRITTEN READONLY LIMITS)
    string(REPLACE ";" "|" joined "${T_${list}}")
    list(APPEND lists "-D${list}=${joined}")
  endforeach()
  add_test(NAME ${T_NAME}
    COMMAND ${CMAKE_COMMAND} -DTESSEL=$<TARGET_FILE:tessel_console> "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
      -DWORKDIR=${CMAKE_CURRENT_BINARY_DIR}/runs/${T_NAME} -DEXPECTED=${T_EXPECTED} "-DSCRIPT=${T_SCRIPT}"
      "-DINPUT=${T_INPUT}" ${lists} -P ${PROJECT_SOURCE_DIR}/tests/console/run_case.cmake)
  # The C locale unless the case names another: texts beyond ASCII are then escaped.
  if(NOT T_ENV)
    set(T_ENV LC_ALL=C)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENV}")
endfunction()
