# Writes OUT: DIR/page.html with the style, the module's script (its
# WebAssembly embedded) and the page's scripts (the level map's first) inline, so the page is one file;
# VERSION is the project's, shown beside the page's name.
file(READ ${DIR}/page.html page)
file(READ ${DIR}/page.css style)
file(READ ${DIR}/page.js script)
file(READ ${DIR}/levelmap.js levelmap)
file(READ ${MODULE} module)
# Inside an inline script, "</script" would end it early.
string(REPLACE "</script" "<\\/script" module "${module}")
string(REPLACE "</script" "<\\/script" script "${script}")
string(REPLACE "</script" "<\\/script" levelmap "${levelmap}")
string(REPLACE "TESSEL-VERSION" "${VERSION}" page "${page}")
string(REPLACE "/*TESSEL-STYLE*/" "${style}" page "${page}")
string(REPLACE "/*TESSEL-MODULE*/" "${module}" page "${page}")
string(REPLACE "/*TESSEL-LEVELMAP*/" "${levelmap}" page "${page}")
string(REPLACE "/*TESSEL-SCRIPT*/" "${script}" page "${page}")
file(WRITE ${OUT} "${page}")
