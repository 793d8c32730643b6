# JSON, read and written by the console and the workbench (and later by other
# tools): the system's header-only library. A cross build takes the Debian
# headers through a folder of its own that holds only them: the package's
# target would add /usr/include, whose C headers would shadow the target's.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(nlohmann_json 3.9 CONFIG QUIET)
endif()
add_library(tessel_json INTERFACE)
if(nlohmann_json_FOUND)
  target_link_libraries(tessel_json INTERFACE nlohmann_json::nlohmann_json)
else()
  find_path(TESSEL_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT TESSEL_JSON_INCLUDE)
    message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/setup-debian)")
  endif()
  set(json_headers ${CMAKE_BINARY_DIR}/json-headers)
  file(MAKE_DIRECTORY ${json_headers})
  file(CREATE_LINK ${TESSEL_JSON_INCLUDE}/nlohmann ${json_headers}/nlohmann SYMBOLIC)
  target_include_directories(tessel_json SYSTEM INTERFACE ${json_headers})
endif()
