// The show shell's process-wide flags (declared in shell_state.h).
#include "app/shell_state.h"

int32_t g_running = 0;
int32_t g_fullscreenRequest = 0;
uint8_t g_setupAccepted = 0;
uint8_t g_multisampleFound = 0;
int32_t g_multisampleFormat = 0;
