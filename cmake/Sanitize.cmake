# The sanitizer builds and the fuzz build, all off by default:
#   HALVANE_SANITIZE  everything built with AddressSanitizer and
#                     UndefinedBehaviorSanitizer; undefined behaviour halts,
#                     so a report fails the test that caused it. Configured
#                     as a Debug build (make sanitize) it is -O1 -g with
#                     asserts on.
#   HALVANE_TSAN      everything built with ThreadSanitizer, for the sound
#                     library's tests (make tsan builds only those): any
#                     report fails the test. Debug too, -O1 -g.
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
option(HALVANE_TSAN "Build with ThreadSanitizer" OFF)
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

# The checked builds are debug builds, so that every assert runs; -O1 keeps
# the suites quick enough under the sanitizers' own slowdown.
if(HALVANE_SANITIZE OR HALVANE_TSAN)
  string(APPEND CMAKE_C_FLAGS_DEBUG " -O1")
  string(APPEND CMAKE_CXX_FLAGS_DEBUG " -O1")
endif()

if(HALVANE_TSAN)
  if(HALVANE_SANITIZE)
    message(FATAL_ERROR "HALVANE_TSAN and HALVANE_SANITIZE need builds of their own")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  add_library(halvane_tsan_defaults OBJECT ${CMAKE_SOURCE_DIR}/tests/sanitizer/tsan_defaults.c)
  link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:halvane_tsan_defaults>")
endif()
