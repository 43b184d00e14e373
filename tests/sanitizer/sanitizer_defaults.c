/* The sanitizers' default options in a sanitizer build (HALVANE_SANITIZE),
 * compiled into every program of that build, so a test program, the offline
 * renderer a test starts and a fuzz target all run the same way however they
 * are started. Options in the environment still win. */

/* AddressSanitizer: leaks are faults too; globals must not be read before
 * their initialiser ran. */
const char* __asan_default_options(void)
{
    return "detect_leaks=1:check_initialization_order=1:strict_init_order=1";
}

/* UndefinedBehaviorSanitizer: the build already makes every report fatal;
 * the stack says where it came from. */
const char* __ubsan_default_options(void)
{
    return "print_stacktrace=1:halt_on_error=1";
}

/* LeakSanitizer: the leaks of libraries we do not build, listed in
 * lsan.supp beside this file. */
const char* __lsan_default_options(void)
{
    return "suppressions=" HALVANE_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

/* Libraries stay loaded until the process ends: Mesa unloads its driver at
 * eglTerminate, after which LeakSanitizer could name neither the driver in
 * the stacks of what it lost nor suppress them by library. Exported to the
 * libraries loaded at run time by the link options of the sanitizer build. */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
