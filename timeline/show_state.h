// Process-wide state of the show that the timeline and the hosts read: the
// display choice and the demo time (the scenes are handed the demo time).
// Defined once in show_state.cpp.
#pragma once

#include <cstdint>

// The display choice from the setup dialog: window size in pixels and the
// height of the 16:9 show viewport inside it.
struct DisplaySettings {
    int32_t windowWidth;
    int32_t windowHeight;
    int32_t viewportHeight;
    uint8_t fullscreen;
};

// Written only by the setup dialog (or the offline renderer's --aspect);
// read by the shell, the timeline and the overlays. Starts at 16:9 fullscreen.
extern DisplaySettings g_displaySettings;

// Seconds of show time. Starts at 0.3 and only the host's frame step advances
// it; it runs 0.3 s ahead of the music's playing position.
extern float g_demoTime;

// The first demo time at which the show ends.
constexpr float END_TIME = 180.0f;

// The two display choices the show offers.
constexpr DisplaySettings DISPLAY_16_9 = { 1280, 720, 720, 1 };
constexpr DisplaySettings DISPLAY_4_3 = { 1024, 768, 576, 1 };
