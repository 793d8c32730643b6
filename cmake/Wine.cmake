# Windows test programs run under Wine, in a prefix of the build's own (never
# the home folder's). Every test added in the Windows build runs through
# cmake/wine-run: a target's command by the emulator property, other commands
# by naming ${TESSEL_WINE_RUN} themselves. Included where tests are enabled.
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
# opens windows. Under ctest every Windows program has the virtual display of
# the run's Wine session; the flag gives one to the program when run by hand too.
# A module that fails to load leaves Wine's crash dialog waiting: the timeout ends such a run.
function(tessel_windows_gui_test)
  cmake_parse_arguments(T "" "NAME" "" ${ARGN})
  add_test(NAME ${T_NAME} ${T_UNPARSED_ARGUMENTS})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT TESSEL_WINE_GUI=1 TIMEOUT 300)
endfunction()

# One Wine session brackets the test run (see cmake/wine-run): its start and
# end are tests of their own, which the tests of a folder require once the
# folder calls tessel_wine_session_tests() after adding them. (A test outside
# the session still runs, on a Wine server of its own.)
add_test(NAME wine.start COMMAND ${TESSEL_WINE_RUN} --start)
add_test(NAME wine.stop COMMAND ${TESSEL_WINE_RUN} --stop)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)

function(tessel_wine_session_tests)
  get_property(tests DIRECTORY PROPERTY TESTS)
  # Appended: a test's own fixtures (files another test makes first) must keep their order.
  foreach(test IN LISTS tests)
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine)
  endforeach()
endfunction()
