// Reports for the end-to-end tests of the player (tests/e2e). When
// the environment variable HALVANE_TEST_REPORT names a file, the player
// appends one line per event to it; otherwise every report does nothing and
// the player writes nothing. Lines:
//   halvane-setup <width> <height> <viewport height> <fullscreen>
//   halvane-window <width> <height> <fullscreen> <samples>
//   halvane-frame <demo time, 6 decimals> <drawable width> <drawable height>
//   halvane-fullscreen <0|1>             after each toggle
//   halvane-teardown
//   halvane-exit <exit code>
#pragma once

#include "linux/shell_state.h"
#include "timeline/show_state.h"

// Opens the report file named by HALVANE_TEST_REPORT, if any.
void OpenTestReport();

// The settings the show runs with (from the dialog or the command line).
void ReportSetupChoice(const DisplaySettings& settings);

// The render window created and shown.
void ReportWindowCreated(const RenderWindow& record);

// One frame drawn and presented at this demo time, into a drawable of this
// size. Formats into a stack buffer: allocates nothing.
void ReportFrame(float demoTime, int drawableWidth, int drawableHeight);

// The window switched to fullscreen (1) or windowed (0).
void ReportFullscreen(int fullscreen);

// Music, device, window and context released.
void ReportTeardown();

// The process ends with this exit code.
void ReportExit(int exitCode);
