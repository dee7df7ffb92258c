# Instrumented builds, both off by default and both for clang only:
#
#   LUMERITH_SANITIZE  every target with AddressSanitizer, UndefinedBehaviorSanitizer
#                      and LeakSanitizer, for the whole test suite
#                      (scripts/test-sanitize.sh)
#   LUMERITH_FUZZ      the same, with libFuzzer's coverage, and the fuzz targets in
#                      tests/fuzz/ (scripts/fuzz.sh)
#
# Undefined behaviour stops the program, so a test cannot pass over it.
option(LUMERITH_SANITIZE "Build with ASan, UBSan and LSan (clang)" OFF)
option(LUMERITH_FUZZ "Build the libFuzzer targets in tests/fuzz (clang)" OFF)

if(LUMERITH_SANITIZE OR LUMERITH_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang" OR NOT CMAKE_C_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "LUMERITH_SANITIZE and LUMERITH_FUZZ need clang: configure with CC=clang CXX=clang++")
  endif()
  set(ignorelist ${CMAKE_SOURCE_DIR}/tests/sanitizers/ignorelist.txt)
  set(LUMERITH_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
      -fsanitize-ignorelist=${ignorelist})
  # ccache does not know that the objects depend on the ignore list's content.
  if(CCACHE_PROGRAM AND CMAKE_CXX_COMPILER_LAUNCHER STREQUAL CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_EXTRAFILES=${ignorelist} ${CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_CXX_COMPILER_LAUNCHER})
  endif()
  add_compile_options(${LUMERITH_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
  if(LUMERITH_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()
