# The sanitizer build and the fuzz build, both off by default:
#   HALVANE_SANITIZE  everything built with AddressSanitizer and
#                     UndefinedBehaviorSanitizer; undefined behaviour halts,
#                     so a report fails the test that caused it
#   HALVANE_FUZZ      the libFuzzer targets of tests/fuzz (target "fuzz");
#                     needs clang (CMAKE_C_COMPILER=clang,
#                     CMAKE_CXX_COMPILER=clang++) and implies HALVANE_SANITIZE.
#                     All code gets coverage feedback, which slows it several
#                     times over: build only the target "fuzz" there and run
#                     the other tests in a build of their own. Its seeds come
#                     from HALVANE_FUZZ_DATA, the generated content of a
#                     normal build (default: this build's own data/)
# Every program of such a build carries the sanitizer options and the leak
# suppressions of tests/sanitizer, however it is started.
option(HALVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(HALVANE_FUZZ "Build the libFuzzer targets (clang); implies HALVANE_SANITIZE" OFF)
set(HALVANE_FUZZ_DATA ${CMAKE_BINARY_DIR}/data CACHE PATH "The generated content that seeds the fuzz corpora")

if(HALVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT CMAKE_C_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "HALVANE_FUZZ needs clang: configure with "
      "-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(HALVANE_SANITIZE ON CACHE BOOL "" FORCE)
  # Coverage feedback from all of our code; only the targets link libFuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(HALVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -Wl,--export-dynamic-symbol=dlclose)
  add_library(halvane_sanitizer_defaults OBJECT ${CMAKE_SOURCE_DIR}/tests/sanitizer/sanitizer_defaults.c)
  target_compile_definitions(halvane_sanitizer_defaults PRIVATE
    HALVANE_LSAN_SUPPRESSIONS="${CMAKE_SOURCE_DIR}/tests/sanitizer/lsan.supp")
  # Into every executable made after this point (only executables: the
  # options must be defined once per program).
  link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:halvane_sanitizer_defaults>")
endif()
