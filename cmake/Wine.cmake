# Windows test programs run under Wine, in a prefix of the build's own (never
# the home folder's). Every test added in the Windows build runs through
# cmake/wine-run: a target's command by the emulator property, other commands
# by naming ${TESSEL_WINE_RUN} themselves.
find_program(TESSEL_WINE wine)
if(NOT TESSEL_WINE)
  message(FATAL_ERROR "the Windows tests need Wine (scripts/setup-debian installs it)")
endif()
set(TESSEL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TESSEL_WINE_RUN ${PROJECT_SOURCE_DIR}/cmake/wine-run ${TESSEL_WINE_PREFIX})
set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSEL_WINE_RUN})

# The first start builds the prefix (some 15 s); done here, once, rather than
# by whichever test starts first.
if(NOT EXISTS ${TESSEL_WINE_PREFIX}/.ready)
  message(STATUS "creating the Wine prefix ${TESSEL_WINE_PREFIX}")
  execute_process(COMMAND ${TESSEL_WINE_RUN} RESULT_VARIABLE wine_result)
  if(NOT wine_result EQUAL 0)
    message(FATAL_ERROR "cannot create the Wine prefix ${TESSEL_WINE_PREFIX}")
  endif()
endif()

# tessel_windows_gui_test(NAME name COMMAND ...): add_test for a program that
# opens windows. It runs on a virtual X display (xvfb-run) with a Wine server
# of its own, so with no other test beside it.
function(tessel_windows_gui_test)
  cmake_parse_arguments(T "" "NAME" "" ${ARGN})
  add_test(NAME ${T_NAME} ${T_UNPARSED_ARGUMENTS})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT TESSEL_WINE_GUI=1 RUN_SERIAL TRUE)
endfunction()
