# Writes OUT: the table of the entry points HEADER declares outside its
# Windows-only block, for the host kit's loader in the page.
file(STRINGS ${HEADER} lines)
set(windows 0)
set(names "")
foreach(line IN LISTS lines)
  if(line MATCHES "^#if defined\\(_WIN32\\)")
    set(windows 1)
  elseif(windows AND line MATCHES "^#endif")
    set(windows 0)
  elseif(NOT windows AND line MATCHES "TESSEL_CALL ([A-Za-z]+)\\(")
    list(APPEND names ${CMAKE_MATCH_1})
  endif()
endforeach()
set(rows "")
foreach(name IN LISTS names)
  string(APPEND rows "      {\"${name}\", reinterpret_cast<void*>(&${name})},\n")
endforeach()
file(WRITE ${OUT} "// Generated from host/tessel.h by workbench/linked_entries.cmake.
#include <cstring>

#include \"host/tessel.h\"

extern \"C\" void* tesselLinkedEntry(const char* name) {
  struct Entry {
    const char* name;
    void* address;
  };
  static const Entry kEntries[] = {
${rows}  };
  for (const Entry& e : kEntries) {
    if (std::strcmp(e.name, name) == 0) return e.address;
  }
  return nullptr;
}
")
