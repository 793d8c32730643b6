# Fails when a help text writes a number of a memory rule itself: the texts
# take them from host/tessel_tools.h (TESSEL_QUOTED), so that changing a rule
# changes every text that quotes it. A cell's own 2 GiB limit is no rule there.
#   cmake -DROOT=<source folder> -P help_numbers.cmake
file(GLOB_RECURSE files ${ROOT}/host/*.h ${ROOT}/host/*.inc ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h)
set(found "")
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "^[^/]*\"[^\"]*[0-9] *(MiB|GiB|bytes for each|times the)")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "element can hold \\(2 GiB\\)")
      string(APPEND found "  ${file}: ${line}\n")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "help texts that write a memory rule's number instead of quoting host/tessel_tools.h:\n${found}")
endif()
