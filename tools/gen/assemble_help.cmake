# Writes OUT: the generated page IN with the style and the script put inline
# where it marks them, so the page is one file.
file(READ ${IN} page)
file(READ ${STYLE} style)
file(READ ${SCRIPT} script)
# Inside an inline script or style, its closing tag would end it early.
string(FIND "${script}" "</script" at_script)
string(FIND "${style}" "</style" at_style)
if(NOT at_script EQUAL -1 OR NOT at_style EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} or ${STYLE} holds its own closing tag")
endif()
string(REPLACE "/*TESSEL-STYLE*/" "${style}" page "${page}")
string(REPLACE "/*TESSEL-SCRIPT*/" "${script}" page "${page}")
file(WRITE ${OUT} "${page}")
