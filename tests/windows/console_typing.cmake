# tessel.exe's shell at a Windows console (Wine's, on a pseudo-terminal):
# lines typed through the console's wide reads, with a text beyond the code
# page and a mistake among them, make the array file that the same lines
# typed at the Linux shell make, byte for byte; the text shows as itself
# through the console's wide writes.
#   -DWINE_RUN=wine-run|prefix -DTESSEL=tessel.exe -DLINUX_TESSEL=tessel -DTYPE=type_at_console -DWORKDIR=...
string(REPLACE "|" ";" WINE_RUN "${WINE_RUN}")
if(NOT EXISTS "${LINUX_TESSEL}")
  message(FATAL_ERROR "${LINUX_TESSEL} is missing: build the linux-x64 preset first, whose shell is compared with")
endif()
set(lines "Set array dimension to 2\nSet dimension 1 boundary to 2\nAppend string \"Épée Ω\"\nget$(0)\n"
          "Append row frm list \"x,y\"\nSet value 7 at 1\nSave to file \"typed.arr\"\nquit\n")
foreach(side windows linux)
  set(dir "${WORKDIR}/${side}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  file(WRITE "${dir}/typed.txt" ${lines})
  if(side STREQUAL "windows")
    set(run ${WINE_RUN} "${TESSEL}")
  else()
    set(run ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 TERM=dumb "HOME=${dir}" "${LINUX_TESSEL}")
  endif()
  execute_process(COMMAND "${TYPE}" typed.txt shown.txt ${run} WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status
    ERROR_VARIABLE err)
  file(READ "${dir}/shown.txt" shown)
  if(NOT status EQUAL 0 OR NOT EXISTS "${dir}/typed.arr")
    message(FATAL_ERROR "${side}: status ${status}, ${err}; the terminal showed:\n${shown}")
  endif()
  # The banner comes only when standard input is a console; the mistake is told and the shell goes on.
  foreach(told "tessel: type help for the catalogue" "unknown action or expression" "get$(0) = \"Épée Ω\"")
    string(FIND "${shown}" "${told}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${side}: \"${told}\" is not shown:\n${shown}")
    endif()
  endforeach()
  file(READ "${dir}/typed.arr" ${side}_bytes HEX)
endforeach()
if(NOT windows_bytes STREQUAL linux_bytes)
  message(FATAL_ERROR "the array typed at the Windows console differs from the Linux shell's:\n"
                      "${windows_bytes}\n${linux_bytes}")
endif()
