# tessel.exe against the Linux console, byte for byte. At a Windows console
# (Wine's, on a pseudo-terminal): typed lines, one beyond the code page and one
# a mistake, make the same array file and show as themselves. On the command
# line and in a script's lines: names beyond the code page and a delimiter in
# the one --encoding names reach the files they name.
#   -DWINE_RUN=wine-run|prefix -DTESSEL=tessel.exe -DLINUX_TESSEL=tessel -DTYPE=type_at_console -DWORKDIR=...
string(REPLACE "|" ";" WINE_RUN "${WINE_RUN}")
if(NOT EXISTS "${LINUX_TESSEL}")
  message(FATAL_ERROR "${LINUX_TESSEL} is missing: build the linux-x64 preset first, whose files are compared with")
endif()
set(windows_tessel ${WINE_RUN} "${TESSEL}")
set(linux_tessel ${CMAKE_COMMAND} -E env TERM=dumb "HOME=${WORKDIR}/linux" "${LINUX_TESSEL}")
# Runs ${before} tessel ARGN in the side's folder; fails unless it succeeds,
# and expects `expected` as its output when that is set.
function(run side)
  execute_process(COMMAND ${before} ${${side}_tessel} ${ARGN} WORKING_DIRECTORY "${WORKDIR}/${side}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR (DEFINED expected AND NOT out STREQUAL expected))
    message(FATAL_ERROR "${side}: tessel ${ARGN}: status ${status}, expected:\n${expected}\ngot:\n${out}${err}")
  endif()
endfunction()
set(script "Épée Ω.tessel")
foreach(side windows linux)
  set(dir "${WORKDIR}/${side}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  file(WRITE "${dir}/typed.txt" "Set array dimension to 2\nSet dimension 1 boundary to 2\nAppend string \"Épée Ω\"\n"
                                "get$(0)\nAppend row frm list \"x,y\"\nSet value 7 at 1\nSave to file \"typed.arr\"\nquit\n")
  set(before "${TYPE}" typed.txt shown.txt)
  run(${side})
  unset(before)
  file(READ "${dir}/shown.txt" shown)
  # In turn: the banner (only when standard input is a console), the string, and the mistake told as the shell goes on.
  set(told "tessel: type help for the catalogue.*get\\$\\(0\\) = \"Épée Ω\".*unknown action or expression")
  if(NOT shown MATCHES "${told}")
    message(FATAL_ERROR "${side}: the banner, the string typed back or the mistake is not shown:\n${shown}")
  endif()
  file(WRITE "${dir}/${script}" "Set array dimension to 2\nSet dimension 1 boundary to 3\n"
                                "Append row from list \"aΩbΩc\"\nSet label to \"Ωmega\" at column 0\n"
                                "Save to file \"made.arr\"\nget$(1)\n")
  set(expected "get$(1) = \"b\"\n")
  run(${side} --encoding windows-1253 --delimiter Ω run "${script}")
  file(RENAME "${dir}/made.arr" "${dir}/Ωmega.arr")
  set(expected "Ωmega.arr (native, 3 elements) -> Épée.csv (csv)\n")
  run(${side} convert Ωmega.arr Épée.csv)
  unset(expected)
  file(WRITE "${dir}/lines.tessel" "Load from file \"Ωmega.arr\"\nSave element 1 to file \"Épée.bin\"\n")
  run(${side} run lines.tessel)
endforeach()
foreach(file typed.arr Ωmega.arr Épée.csv Épée.bin)
  file(READ "${WORKDIR}/windows/${file}" windows_bytes HEX)
  file(READ "${WORKDIR}/linux/${file}" linux_bytes HEX)
  if(NOT windows_bytes STREQUAL linux_bytes)
    message(FATAL_ERROR "${file} from tessel.exe differs from Linux's:\n${windows_bytes}\n${linux_bytes}")
  endif()
endforeach()
