# The shipped files (Tessaly.dll and the stand-in's programs) must come out
# byte for byte the same from the same sources, whatever folder they are built
# in and whenever, so that anyone can check a download against a build of
# their own; make test builds a second copy and compares. Every Windows
# target gets these, from any folder of the project.
if(TESSALY_WINDOWS)
  # The linker stamps the PE header and the export directory with the time of
  # the link; zero instead.
  add_link_options(-Wl,--no-insert-timestamp)
  # Paths of the sources and the build (__FILE__, debug information, the
  # object files' names) relative to the project. The build folder's mapping
  # comes last so that GCC tries it first where it lies inside the sources.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/>")
endif()
