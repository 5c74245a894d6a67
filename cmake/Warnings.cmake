# Warnings are errors in the project's own code; third-party headers
# (Qt, GoogleTest, Google Benchmark) come in as system includes.
function(kavrel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8)
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Werror
      -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
      -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough)
  endif()
endfunction()
