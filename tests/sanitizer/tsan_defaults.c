/* ThreadSanitizer's default options in the ThreadSanitizer build
 * (HALVANE_TSAN), compiled into every program of that build. Options in the
 * environment still win. */

/* The first report ends the program with a failure; both stacks of a
 * lock-order report are shown. */
const char* __tsan_default_options(void)
{
    return "halt_on_error=1:second_deadlock_stack=1";
}
