# What makes a release archive the same bytes from any folder on any day: no
# build paths in the binaries (__FILE__, debug info) and no link time in the
# Windows images.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>)
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
