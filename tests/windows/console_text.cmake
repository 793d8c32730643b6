# tessel.exe writing to a console: texts beyond the console's code page show
# as themselves. `script` gives Wine a terminal, which it makes a console.
#   -DWINE_RUN=wine-run|prefix -DTESSEL=tessel.exe -DWORKDIR=...
string(REPLACE "|" ";" WINE_RUN "${WINE_RUN}")
list(JOIN WINE_RUN "' '" wine_run)
file(MAKE_DIRECTORY "${WORKDIR}")
file(WRITE "${WORKDIR}/typed.tessel" "Append string \"Ω €\"\nget$(0)\n")
execute_process(COMMAND script -qec "'${wine_run}' '${TESSEL}' run typed.tessel" /dev/null
  WORKING_DIRECTORY "${WORKDIR}" OUTPUT_VARIABLE out RESULT_VARIABLE status)
string(FIND "${out}" "get$(0) = \"Ω €\"" at)
if(NOT status EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "status ${status}, the console shows:\n${out}")
endif()
