# The Linux programs hardened as Debian builds its own: libc calls checked
# where the compiler knows the buffer's size (_FORTIFY_SOURCE, which needs
# optimisation), stack canaries in functions with arrays, and the relocation
# tables read-only once the program has started (full RELRO: every symbol
# bound at start-up). None of these changes how floating-point code is
# generated, so the show's single-precision arithmetic stays as it is.
# Left out of the sanitizer and fuzz builds, whose run-time replaces the
# checked calls, of the Windows cross-builds and of the browser build.
if(NOT WIN32 AND NOT EMSCRIPTEN AND NOT HALVANE_SANITIZE)
  add_compile_options(-fstack-protector-strong "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>")
  add_link_options(-Wl,-z,relro,-z,now)
endif()
