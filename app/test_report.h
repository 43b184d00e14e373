// Reports for the end-to-end tests of the program under Wine. A build with
// the CMake option HALVANE_TEST_HOOKS sends each report as one line through
// OutputDebugStringA (test_report_debug.cpp), which Wine prints on its
// debugstr channel; the shipped program links test_report_none.cpp, where
// every report and hook does nothing. Lines:
//   halvane-setup <width> <height> <viewport height> <fullscreen>
//   halvane-window <width> <height> <fullscreen> <multisample found>
//                  <samples of the pixel format> <pixel format> <stored multisample format>
//   halvane-box <flags, 0x%08x> <caption: null or "text"> "<text>"
//                  (in quoted texts a line break is \n, a quote \", a backslash \\)
//   halvane-phase <name> <ms since the phase base> <ms since the previous phase>
//                  names: dialog (the base of the first window), window, show,
//                  music, play, first-frame; a teardown is the base of the next
//   halvane-frame <demo time> <music position in bytes, -1 when none>
//                  <seconds from the frame's counter reading to the position read>
//   halvane-teardown
//   halvane-exit <exit code>
#pragma once

#include "app/shell_state.h"
#include "timeline/show_state.h"

// The test-hooks build prepares what a test asked for through the
// environment before the window class is registered: with
// HALVANE_TEST_TAKE_WINDOW_CLASS=1 it registers "OpenGL" itself, so that the
// program's own registration fails.
void PrepareTestRun(HINSTANCE instance);

// The settings accepted in the setup dialog.
void ReportSetupChoice(const DisplaySettings& settings);

// A message box about to be shown (caption may be null).
void ReportMessageBox(const char* text, const char* caption, unsigned int flags);

// One start-up phase of a render window has ended.
void ReportPhase(const char* name);

// A render window created and shown (after any failed mode switch), with
// its context current; also the end of the "window" phase.
void ReportWindowCreated(const RenderWindow& record);

// One frame drawn and presented at this demo time, whose clock reading was
// frameCounter; the first of a window also ends the "first-frame" phase.
void ReportFrame(float demoTime, LONGLONG frameCounter);

// One render window torn down (music, device, window).
void ReportTeardown();

// RunShow returns this exit code.
void ReportExit(int exitCode);
