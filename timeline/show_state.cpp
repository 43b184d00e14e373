// Definitions of the show's process-wide state (see show_state.h).
#include "timeline/show_state.h"

DisplaySettings g_displaySettings = DISPLAY_16_9;
float g_demoTime = 0.3f;
