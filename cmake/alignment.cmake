# The stamping engines' functions start on cache-line boundaries (g++ and
# mingw; clang builds are for sanitizers and fuzzing), so that where their
# loops and branches fall within a line no longer depends on where the linker
# happens to place them. Left to it, the same object code ran one stamp up to
# a fifth slower or faster from one program to the next, more than the
# changes the benchmarks are there to judge. The previous and the literal
# engines are built the same way, so that all are compared on equal terms.
function(tessaly_engine_alignment target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -falign-functions=64)
  endif()
endfunction()
