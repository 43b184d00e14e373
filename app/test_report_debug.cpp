// Test reports through OutputDebugStringA, for the Wine end-to-end tests
// (built only with HALVANE_TEST_HOOKS). Each report is one line formatted
// into a stack buffer, so the frame report allocates nothing.
#include "app/test_report.h"

#include <cstdio>

// Sends one formatted line to the debugger channel.
static void SendReportLine(const char* line)
{
    OutputDebugStringA(line);
}

// "halvane-setup" with the accepted settings.
void ReportSetupChoice(const DisplaySettings& settings)
{
    char line[96];
    snprintf(line, sizeof line, "halvane-setup %d %d %d %d\n", settings.windowWidth,
             settings.windowHeight, settings.viewportHeight, settings.fullscreen);
    SendReportLine(line);
}

// "halvane-window" with the created window's size and mode.
void ReportWindowCreated(const RenderWindow& record)
{
    char line[96];
    snprintf(line, sizeof line, "halvane-window %d %d %d %d\n", record.width, record.height,
             record.fullscreen, g_multisampleFound);
    SendReportLine(line);
}

// "halvane-frame" with the demo time of the frame just presented.
void ReportFrame(float demoTime)
{
    char line[64];
    snprintf(line, sizeof line, "halvane-frame %.6f\n", demoTime);
    SendReportLine(line);
}

// "halvane-teardown" after one window's teardown.
void ReportTeardown()
{
    SendReportLine("halvane-teardown\n");
}

// "halvane-exit" with the code RunShow returns.
void ReportExit(int exitCode)
{
    char line[32];
    snprintf(line, sizeof line, "halvane-exit %d\n", exitCode);
    SendReportLine(line);
}
