# High warning levels for the project's own targets; errors when TESSEL_WERROR is on.
function(tessel_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  if(TESSEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
