# Warnings are errors in every target of ours; third-party code is left alone.
# C and C++ only: the resource compiler takes no such options.
function(tessaly_warnings target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic
    -Wshadow -Wconversion -Wsign-conversion -Werror>)
endfunction()
