# Writes OUT: DIR/page.html with the style, the module's script (its
# WebAssembly embedded) and the page's script inline, so the page is one file.
file(READ ${DIR}/page.html page)
file(READ ${DIR}/page.css style)
file(READ ${DIR}/page.js script)
file(READ ${MODULE} module)
# Inside an inline script, "</script" would end it early.
string(REPLACE "</script" "<\\/script" module "${module}")
string(REPLACE "</script" "<\\/script" script "${script}")
string(REPLACE "/*TESSEL-STYLE*/" "${style}" page "${page}")
string(REPLACE "/*TESSEL-MODULE*/" "${module}" page "${page}")
string(REPLACE "/*TESSEL-SCRIPT*/" "${script}" page "${page}")
file(WRITE ${OUT} "${page}")
