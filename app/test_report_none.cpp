// The shipped program's test reports: none. Nothing is logged.
#include "app/test_report.h"

// Every report and hook does nothing in the shipped program.
void PrepareTestRun(HINSTANCE) {}
void ReportSetupChoice(const DisplaySettings&) {}
void ReportMessageBox(const char*, const char*, unsigned int) {}
void ReportPhase(const char*) {}
void ReportWindowCreated(const RenderWindow&) {}
void ReportFrame(float, LONGLONG) {}
void ReportTeardown() {}
void ReportExit(int) {}
