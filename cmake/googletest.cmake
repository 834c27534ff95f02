# GoogleTest: the system package natively; for the Windows build, Debian's
# sources compiled with the cross compiler (posix threads, static runtime).
if(TESSALY_WINDOWS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# Windows test programs run under Wine in a private prefix that a fixture
# creates once per test run; one persistent wineserver serves them all.
set(TESSALY_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# Runs each of them, or skips it where the kernel cannot run 32-bit programs.
set(TESSALY_WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
# The loader for this build's programs: wine, or wine64 for the 64-bit build.
set(TESSALY_WINE_ENV "WINEPREFIX=${TESSALY_WINEPREFIX};WINEDEBUG=-all;TESSALY_WINE=${CMAKE_CROSSCOMPILING_EMULATOR}")

function(tessaly_add_test name target)
  if(TESSALY_WINDOWS)
    add_test(NAME ${name} COMMAND sh ${TESSALY_WINE_RUN} $<TARGET_FILE:${target}> ${ARGN})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77
      ENVIRONMENT "${TESSALY_WINE_ENV}")
  else()
    gtest_discover_tests(${target} EXTRA_ARGS ${ARGN} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()

if(TESSALY_WINDOWS AND NOT TARGET wine_fixture_marker)
  add_custom_target(wine_fixture_marker)
  add_test(NAME wine.start COMMAND sh ${TESSALY_WINE_RUN} --host
                                   ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh start ${TESSALY_WINEPREFIX})
  add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh stop ${TESSALY_WINEPREFIX})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine SKIP_RETURN_CODE 77
    ENVIRONMENT "TESSALY_WINE=${CMAKE_CROSSCOMPILING_EMULATOR}")
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine
    ENVIRONMENT "TESSALY_WINE=${CMAKE_CROSSCOMPILING_EMULATOR}")
endif()
