// Reports for the end-to-end tests of the program under Wine. A build with
// the CMake option HALVANE_TEST_HOOKS sends each report as one line through
// OutputDebugStringA (test_report_debug.cpp), which Wine prints on its
// debugstr channel; the shipped program links test_report_none.cpp, where
// every report does nothing. Lines:
//   halvane-setup <width> <height> <viewport height> <fullscreen>
//   halvane-window <width> <height> <fullscreen> <multisample found>
//   halvane-frame <demo time, 6 decimals>
//   halvane-teardown
//   halvane-exit <exit code>
#pragma once

#include "app/shell_state.h"
#include "timeline/show_state.h"

// The settings accepted in the setup dialog.
void ReportSetupChoice(const DisplaySettings& settings);

// A render window created and shown (after any failed mode switch).
void ReportWindowCreated(const RenderWindow& record);

// One frame drawn and presented at this demo time.
void ReportFrame(float demoTime);

// One render window torn down (music, device, window).
void ReportTeardown();

// RunShow returns this exit code.
void ReportExit(int exitCode);
