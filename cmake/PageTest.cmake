# A browser test of tests/page run by node's test runner, its results as TAP
# on stdout and as a JUnit report in test-results/ (the folder is emptied
# before each run, so it is made first). Extra arguments are the test's
# environment, NAME=VALUE each.
find_program(TESSEL_NODE node REQUIRED)
function(tessel_page_test name script timeout)
  add_test(NAME ${name}
    COMMAND sh -c "mkdir -p \"$0\" && exec \"$@\"" ${CMAKE_BINARY_DIR}/test-results
            ${TESSEL_NODE} --test --test-reporter=tap --test-reporter-destination=stdout
            --test-reporter=junit --test-reporter-destination=${CMAKE_BINARY_DIR}/test-results/${name}.xml
            ${PROJECT_SOURCE_DIR}/tests/page/${script}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/page)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARGN}" TIMEOUT ${timeout})
endfunction()
