# Fails when a help text writes a memory rule's number itself rather than quoting
# host/tessel_tools.h (TESSEL_QUOTED); a cell's own 2 GiB limit is no rule there.
#   cmake -DROOT=<source folder> -P help_numbers.cmake
file(GLOB_RECURSE files ${ROOT}/host/*.h ${ROOT}/host/*.inc ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h)
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "^[^/]*\"[^\"]*[0-9] *(MiB|GiB|bytes for each|times the)")
  list(FILTER lines EXCLUDE REGEX "element can hold \\(2 GiB\\)")
  list(TRANSFORM lines PREPEND "  ${file}: ")
  list(APPEND found ${lines})
endforeach()
if(found)
  list(JOIN found "\n" found)
  message(FATAL_ERROR "help texts that write a memory rule's number instead of quoting host/tessel_tools.h:\n${found}")
endif()
