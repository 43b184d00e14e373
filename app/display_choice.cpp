// The setup dialog's choice as display settings (see display_choice.h).
#include "app/display_choice.h"

// Maps the two check bits to one of the two display choices.
DisplaySettings ChooseDisplaySettings(unsigned int wideState, unsigned int fullscreenState)
{
    DisplaySettings settings = (wideState & BUTTON_CHECKED_BIT) ? DISPLAY_16_9 : DISPLAY_4_3;
    settings.fullscreen = (fullscreenState & BUTTON_CHECKED_BIT) ? 1 : 0;
    return settings;
}
