// Test reports to the file named by HALVANE_TEST_REPORT (see test_report.h).
// Each line is written and flushed at once, so a test reading the file sees
// every event up to the last one, also while the show is stopped.
#include "linux/test_report.h"

#include <cstdio>
#include <cstdlib>

// The report file; null when no report was asked for.
static FILE* s_report = nullptr;

void OpenTestReport()
{
    const char* path = std::getenv("HALVANE_TEST_REPORT");
    if (path && *path)
        s_report = std::fopen(path, "a");
}

// Writes one line and flushes it.
static void WriteReportLine(const char* line)
{
    if (!s_report)
        return;
    std::fputs(line, s_report);
    std::fflush(s_report);
}

void ReportSetupChoice(const DisplaySettings& settings)
{
    char line[96];
    std::snprintf(line, sizeof line, "halvane-setup %d %d %d %d\n", settings.windowWidth,
                  settings.windowHeight, settings.viewportHeight, settings.fullscreen);
    WriteReportLine(line);
}

void ReportWindowCreated(const RenderWindow& record)
{
    char line[96];
    std::snprintf(line, sizeof line, "halvane-window %d %d %d %d\n", record.width, record.height,
                  record.fullscreen, record.samples);
    WriteReportLine(line);
}

void ReportFrame(float demoTime, int drawableWidth, int drawableHeight)
{
    if (!s_report)
        return;
    char line[96];
    std::snprintf(line, sizeof line, "halvane-frame %.6f %d %d\n", demoTime, drawableWidth, drawableHeight);
    WriteReportLine(line);
}

void ReportFullscreen(int fullscreen)
{
    char line[32];
    std::snprintf(line, sizeof line, "halvane-fullscreen %d\n", fullscreen);
    WriteReportLine(line);
}

void ReportTeardown()
{
    WriteReportLine("halvane-teardown\n");
}

void ReportExit(int exitCode)
{
    char line[32];
    std::snprintf(line, sizeof line, "halvane-exit %d\n", exitCode);
    WriteReportLine(line);
}
