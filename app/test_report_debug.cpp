// Test reports through OutputDebugStringA, for the Wine end-to-end tests
// (built only with HALVANE_TEST_HOOKS). Each report is one line formatted
// into a stack buffer, so the frame report allocates nothing.
#include "app/test_report.h"

#include "audio/music.h"
#include "platform/gl_api.h"
#include "soundlib/bass.h"

#include <cstdio>
#include <cstdlib>

// GL_ARB_multisample's query of the current pixel format's samples.
enum { SAMPLES_QUERY = 0x80A9 };

// Clock readings of the start-up phases: the base (end of the dialog, or of
// the previous window's teardown) and the end of the latest phase.
static LONGLONG s_phaseBase = 0;
static LONGLONG s_phaseLatest = 0;
// 1 until the current window's first frame is reported.
static int s_awaitingFirstFrame = 0;

// Sends one formatted line to the debugger channel.
static void SendReportLine(const char* line)
{
    OutputDebugStringA(line);
}

static LONGLONG ReadCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

static double CounterSeconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// A report line built piece by piece in a fixed buffer; whatever does not
// fit is cut, the line break always fits.
struct ReportLine {
    char text[400];
    size_t used;

    void Put(char c)
    {
        if (used + 2 < sizeof text)
            text[used++] = c;
    }
    void Add(const char* piece)
    {
        while (*piece)
            Put(*piece++);
    }
    // Quoted, with line breaks, quotes and backslashes escaped, so that the
    // report stays one line.
    void AddQuoted(const char* piece)
    {
        Put('"');
        for (; *piece; ++piece) {
            if (*piece == '\n') {
                Add("\\n");
                continue;
            }
            if (*piece == '"' || *piece == '\\')
                Put('\\');
            Put(*piece);
        }
        Put('"');
    }
    void Send()
    {
        text[used++] = '\n';
        text[used] = '\0';
        SendReportLine(text);
    }
};

// Registers the render window's class name ahead of the program when the
// test asks for it, so that the program's registration fails.
void PrepareTestRun(HINSTANCE instance)
{
    const char* take = getenv("HALVANE_TEST_TAKE_WINDOW_CLASS");
    if (!take || take[0] != '1')
        return;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "OpenGL";
    const ATOM atom = RegisterClassExA(&windowClass);
    char line[64];
    snprintf(line, sizeof line, "halvane-test-class-taken %d\n", atom != 0 ? 1 : 0);
    SendReportLine(line);
}

// "halvane-setup" with the accepted settings.
void ReportSetupChoice(const DisplaySettings& settings)
{
    char line[96];
    snprintf(line, sizeof line, "halvane-setup %d %d %d %d\n", settings.windowWidth,
             settings.windowHeight, settings.viewportHeight, settings.fullscreen);
    SendReportLine(line);
}

// "halvane-box" with the flags, the caption and the text.
void ReportMessageBox(const char* text, const char* caption, unsigned int flags)
{
    ReportLine line = {};
    char flagText[16];
    snprintf(flagText, sizeof flagText, "0x%08x", flags);
    line.Add("halvane-box ");
    line.Add(flagText);
    line.Put(' ');
    if (caption)
        line.AddQuoted(caption);
    else
        line.Add("null");
    line.Put(' ');
    line.AddQuoted(text ? text : "");
    line.Send();
}

// "halvane-phase": the milliseconds since the base and since the phase
// before. The dialog's end is the base of the first window.
void ReportPhase(const char* name)
{
    const LONGLONG now = ReadCounter();
    if (s_phaseBase == 0 || (name[0] == 'd' && name[1] == 'i')) {
        s_phaseBase = now;
        s_phaseLatest = now;
    }
    char line[128];
    snprintf(line, sizeof line, "halvane-phase %s %.1f %.1f\n", name, 1000.0 * CounterSeconds(now - s_phaseBase),
             1000.0 * CounterSeconds(now - s_phaseLatest));
    s_phaseLatest = now;
    SendReportLine(line);
}

// "halvane-window" with the created window's size, mode and pixel format.
void ReportWindowCreated(const RenderWindow& record)
{
    ReportPhase("window");
    GLint samples = 0;
    glGetIntegerv(SAMPLES_QUERY, &samples);
    while (glGetError() != GL_NO_ERROR) {
    }
    char line[128];
    snprintf(line, sizeof line, "halvane-window %d %d %d %d %d %d %d\n", record.width, record.height,
             record.fullscreen, g_multisampleFound, samples, GetPixelFormat(record.deviceContext),
             g_multisampleFormat);
    SendReportLine(line);
    s_awaitingFirstFrame = 1;
}

// "halvane-frame" with the demo time of the frame just presented and the
// music position read now, with how long after the frame's clock reading.
void ReportFrame(float demoTime, LONGLONG frameCounter)
{
    if (s_awaitingFirstFrame) {
        s_awaitingFirstFrame = 0;
        ReportPhase("first-frame");
    }
    const QWORD position = BASS_ChannelGetPosition(g_musicStream);
    const LONGLONG readAt = ReadCounter();
    char line[96];
    snprintf(line, sizeof line, "halvane-frame %.6f %lld %.6f\n", demoTime,
             position == ~0ull ? -1ll : static_cast<long long>(position), CounterSeconds(readAt - frameCounter));
    SendReportLine(line);
}

// "halvane-teardown" after one window's teardown, which is the base of the
// next window's phases.
void ReportTeardown()
{
    SendReportLine("halvane-teardown\n");
    s_phaseBase = ReadCounter();
    s_phaseLatest = s_phaseBase;
}

// "halvane-exit" with the code RunShow returns.
void ReportExit(int exitCode)
{
    char line[32];
    snprintf(line, sizeof line, "halvane-exit %d\n", exitCode);
    SendReportLine(line);
}
