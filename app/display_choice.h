// Turns the setup dialog's two radio buttons into the display settings.
// Portable, so the Linux tests can run it.
#pragma once

#include "timeline/show_state.h"

// The check state bit of a button's BM_GETSTATE / BM_GETCHECK result; the
// other bits (focus, pushed) say nothing about the user's choice.
constexpr unsigned int BUTTON_CHECKED_BIT = 0x0001u;

// The settings for the states reported by the 16:9 button (id 1001) and the
// Fullscreen button (id 1003): 1280 x 720 (viewport 720) when 16:9 is
// checked, else 1024 x 768 (viewport 576); fullscreen when Fullscreen is
// checked. Only the check bit counts, so a checked button that also holds
// the keyboard focus still counts as chosen.
DisplaySettings ChooseDisplaySettings(unsigned int wideState, unsigned int fullscreenState);
