// The setup dialog (GTK 3): the title picture above the aspect choice (16:9
// or 4:3) and the display choice (Fullscreen or Windowed), preselected 16:9
// and Fullscreen, and the buttons Run Demo and Exit. Enter runs the demo
// (or presses Exit when Exit holds the focus); Escape, Exit and the close
// box leave without running it.
#pragma once

#include "timeline/show_state.h"

// How the dialog ended.
enum SetupResult {
    SETUP_RUN,     // Run Demo: the choice is in the settings
    SETUP_EXIT,    // Exit, Escape or the close box: settings untouched
    SETUP_FAILED   // no display to show it on (reported on stderr)
};

// Shows the dialog and waits for the user. Only SETUP_RUN writes *settings.
SetupResult RunSetupDialog(DisplaySettings* settings);
