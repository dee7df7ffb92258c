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
  set(LUMERITH_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_compile_options(${LUMERITH_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
  if(LUMERITH_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()
