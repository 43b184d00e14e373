// The native player's process-wide flags (declared in shell_state.h).
#include "linux/shell_state.h"

int32_t g_running = 0;
volatile sig_atomic_t g_fullscreenSignalled = 0;
volatile sig_atomic_t g_stopSignal = 0;
