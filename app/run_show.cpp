// The program's entry and its whole life: the setup dialog, the window loop
// that builds the render window, the show and the music (again after each
// fullscreen toggle), the message pump that is also the frame loop with its
// performance-counter clock, and the teardown.
#include "app/render_window.h"
#include "app/setup_dialog.h"
#include "app/shell_state.h"
#include "app/test_report.h"
#include "audio/music.h"
#include "platform/message_box.h"
#include "soundlib/bass.h"
#include "timeline/demo_clock.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"

// One frame: advances the demo time by the counter time since the previous
// frame (all of it, including drawing and presenting), draws and presents,
// and at the end time asks the pump to stop.
static void StepFrame(const RenderWindow& record, float counterPeriod, LONGLONG* lastCounter)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    AdvanceDemoTime(*lastCounter, now.QuadPart, counterPeriod);
    RenderFrame();
    SwapBuffers(record.deviceContext);
    ReportFrame(g_demoTime, now.QuadPart);
    *lastCounter = now.QuadPart;
    if (g_demoTime >= END_TIME) {
        PostMessageA(record.window, WM_QUIT, 0, 0);
        g_running = 0;
    }
}

// Runs the message pump of one render window until it takes WM_QUIT. Idle
// turns draw a frame while the window is visible and wait for a message
// while it is minimised (the counter is not read then, so the first frame
// after a restore takes in the whole pause).
static void RunMessagePump(const RenderWindow& record, float counterPeriod, LONGLONG lastCounter)
{
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, record.window, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return;
            DispatchMessageA(&message);
        } else if (record.visible == 0) {
            WaitMessage();
        } else {
            StepFrame(record, counterPeriod, &lastCounter);
        }
    }
}

// Ends the run: the class goes, and the exit code is reported for the tests.
static int EndRun(const WindowClassInfo& classInfo, int exitCode)
{
    UnregisterClassA(classInfo.className, classInfo.instance);
    ReportExit(exitCode);
    return exitCode;
}

// The whole life of the process; returns its exit code: 0, or -1 when the
// window class cannot be registered. Only the instance handle is used.
int WINAPI RunShow(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDialogProc, 0);
    if (g_setupAccepted != 1) {
        ReportExit(0);
        return 0;
    }
    ReportPhase("dialog");
    PrepareTestRun(instance);

    WindowClassInfo classInfo = { instance, "OpenGL" };
    RenderWindow record = {};
    record.classInfo = &classInfo;
    record.title = "Halvane";
    record.width = g_displaySettings.windowWidth;
    record.height = g_displaySettings.windowHeight;
    record.colourBits = 32;
    record.fullscreen = g_displaySettings.fullscreen;

    if (!RegisterRenderWindowClass(&classInfo)) {
        ShowShellError("Error Registering Window Class!");
        ReportExit(-1);
        return -1;
    }
    g_running = 1;
    g_fullscreenRequest = record.fullscreen;

    for (;;) {
        record.fullscreen = g_fullscreenRequest;
        if (CreateRenderWindow(&record) != 1) {
            ShowShellError("Error Creating OpenGL Window");
            g_running = 0;
            return EndRun(classInfo, 0);
        }
        ReportWindowCreated(record);
        InitShow();
        ReportPhase("show");
        InitMusic();
        ReportPhase("music");

        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        const float counterPeriod = GetCounterPeriod(frequency.QuadPart);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);

        const BOOL playing = BASS_ChannelPlay(g_musicStream, TRUE);
        ReportPhase("play");
        if (!playing) {
            // The show goes on silently, timed by the counter alone; the
            // time this box stays open counts into the first frame.
            ShowMessageBox("Music play error", nullptr, MB_OK);
        }

        RunMessagePump(record, counterPeriod, start.QuadPart);

        FreeMusic();
        DestroyRenderWindow(&record);
        ReportTeardown();

        if (!g_running)
            return EndRun(classInfo, 0);
    }
}

// The C runtime starts the program here; RunShow is the program's WinMain.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    return RunShow(instance, previous, commandLine, showCommand);
}
