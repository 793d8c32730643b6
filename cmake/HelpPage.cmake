# tessel-help.html, the reference page that ships beside the module and that
# the setup dialog's Help button opens. A generator built with the build
# machine's compiler writes it from the catalogue, the menus and the topics,
# so every preset (the Windows DLL's included) gets the same page.
file(GLOB help_examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.tessel)
file(GLOB help_expected CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.expected)
tessel_native_tool(NAME help_page
  SOURCES tools/gen/help_page.cpp
  DEPENDS host/catalogue.h host/catalogue.inc host/catalogue_notes.h
          host/format_facts.h host/help_topics.h host/menus.h tools/console/lowered.h tools/console/options.h)
set(TESSEL_HELP_PAGE ${CMAKE_BINARY_DIR}/tessel-help.html)
set(help_gen ${PROJECT_SOURCE_DIR}/tools/gen)
add_custom_command(
  OUTPUT ${TESSEL_HELP_PAGE}
  COMMAND ${help_page_EXE} ${PROJECT_VERSION} ${TESSEL_HELP_PAGE}.in ${help_examples}
  COMMAND ${CMAKE_COMMAND} -DIN=${TESSEL_HELP_PAGE}.in -DOUT=${TESSEL_HELP_PAGE}
          -DSTYLE=${help_gen}/help_page.css -DSCRIPT=${help_gen}/help_page.js -P ${help_gen}/assemble_help.cmake
  DEPENDS ${help_page_EXE} ${help_examples} ${help_expected} ${help_gen}/help_page.css ${help_gen}/help_page.js
          ${help_gen}/assemble_help.cmake
  COMMENT "Writing tessel-help.html"
  VERBATIM)
add_custom_target(help_page ALL DEPENDS ${TESSEL_HELP_PAGE})
install(FILES ${TESSEL_HELP_PAGE} DESTINATION .)
