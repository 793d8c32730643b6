# Fails when a file includes a header of a layer above its own:
# core < recordset < persist < host < editor, tools, workbench, examples.
# Tests and benchmarks may include anything and are not read.
#   cmake -DROOT=<source folder> -P includes.cmake
set(layers core recordset persist host editor tools workbench examples)
set(ranks 0 1 2 3 4 4 4 4)
foreach(layer rank IN ZIP_LISTS layers ranks)
  set(rank_${layer} ${rank})
endforeach()

foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp ${ROOT}/${layer}/*.inc
       ${ROOT}/${layer}/*.rc)
  foreach(file IN LISTS files)
    file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "[\"<]([a-z_]+)/[^\">]*" named "${line}")
      string(SUBSTRING "${named}" 1 -1 header)
      set(to ${CMAKE_MATCH_1})
      if(DEFINED rank_${to} AND rank_${to} GREATER rank_${layer})
        string(APPEND upward "  ${file} includes ${header}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(upward)
  message(FATAL_ERROR "headers of a layer above the includer's own:\n${upward}")
endif()
