# Writes OUT: DIR/page.html with the style, the module's script (its
# WebAssembly embedded) and the page's scripts inline, so the page is one file;
# VERSION is the project's, shown beside the page's name. SCRIPTS and WORKER
# list the ES modules of the page and of the worker that opens large files,
# each after the modules it imports: they are joined into one closure each,
# their import lines dropped and their exports made plain declarations.
function(joined_modules out)
  set(text "")
  foreach(name ${ARGN})
    file(READ ${DIR}/${name} source)
    set(source "\n${source}")
    string(REGEX REPLACE "\nimport [^\n]*" "" source "${source}")
    string(REPLACE "\nexport " "\n" source "${source}")
    string(APPEND text "// ---- ${name}${source}")
  endforeach()
  # Inside an inline script, "</script" would end it early.
  string(REPLACE "</script" "<\\/script" text "${text}")
  set(${out} "(() => {\n'use strict';\n${text}})();\n" PARENT_SCOPE)
endfunction()

file(READ ${DIR}/page.html page)
file(READ ${DIR}/page.css style)
file(READ ${MODULE} module)
string(REPLACE "</script" "<\\/script" module "${module}")
string(REPLACE "," ";" SCRIPTS "${SCRIPTS}")
string(REPLACE "," ";" WORKER "${WORKER}")
joined_modules(script ${SCRIPTS})
joined_modules(worker ${WORKER})
string(REPLACE "TESSEL-VERSION" "${VERSION}" page "${page}")
string(REPLACE "/*TESSEL-STYLE*/" "${style}" page "${page}")
string(REPLACE "/*TESSEL-MODULE*/" "${module}" page "${page}")
string(REPLACE "/*TESSEL-WORKER*/" "${worker}" page "${page}")
string(REPLACE "/*TESSEL-SCRIPT*/" "${script}" page "${page}")
file(WRITE ${OUT} "${page}")
