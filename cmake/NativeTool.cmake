# Build-time generators: small programs compiled with the build machine's own
# compiler, so that a cross build (the Windows DLL) can run them too.
#
# tessel_native_tool(NAME name SOURCES src... [DEPENDS header...])
# sets <name>_EXE in the caller to the program's path, built on demand by any
# custom command that lists it in DEPENDS.
find_program(TESSEL_NATIVE_CXX NAMES c++ g++ REQUIRED)

function(tessel_native_tool)
  cmake_parse_arguments(PARSE_ARGV 0 tool "" "NAME" "SOURCES;DEPENDS")
  set(exe ${CMAKE_BINARY_DIR}/native/${tool_NAME})
  list(TRANSFORM tool_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE sources)
  list(TRANSFORM tool_DEPENDS PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE depends)
  add_custom_command(
    OUTPUT ${exe}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/native
    COMMAND ${TESSEL_NATIVE_CXX} -std=c++17 -O1 -Wall -Wextra -Werror -I${PROJECT_SOURCE_DIR} ${sources} -o ${exe}
    DEPENDS ${sources} ${depends}
    COMMENT "Building the generator ${tool_NAME}"
    VERBATIM)
  set(${tool_NAME}_EXE ${exe} PARENT_SCOPE)
endfunction()
