// The native player's entry and its whole life: the command line or the
// setup dialog, the render window with the show and the music, the event
// loop that is also the frame loop with its performance-counter clock, and
// the teardown. It runs the same core as the Windows program, with the same
// clock: the demo time starts at 0.3, each frame adds the measured time
// since the previous one in single precision, and the counter that starts
// the clock is read right before the music starts, so the show runs 0.3 s
// ahead of it. The fullscreen toggle switches the one window in place, so
// the context, the content and the music go on.
#include "audio/music.h"
#include "linux/command_line.h"
#include "linux/present_frame.h"
#include "linux/render_window.h"
#include "linux/setup_dialog.h"
#include "linux/shell_signals.h"
#include "linux/shell_state.h"
#include "linux/startup_timing.h"
#include "linux/test_report.h"
#include "platform/data_folder.h"
#include "platform/host_memory.h"
#include "platform/message_box.h"
#include "soundlib/bass.h"
#include "timeline/demo_clock.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"

#include <cstdio>
#include <string>

// How long one wait for events lasts while the window is minimised: the
// loop blocks instead of spinning, but still notices the fullscreen signal.
enum { MINIMISED_WAIT_MS = 100 };

// The frame clock: seconds per counter tick and the counter at the previous
// frame (or at the start of playback).
struct FrameClock {
    float counterPeriod;
    Uint64 lastCounter;
};

// One frame: advances the demo time by the counter time since the previous
// frame (all of it, drawing and presenting included), draws and presents,
// and at the end time stops the show.
static void StepFrame(const RenderWindow& record, FrameClock* clock)
{
    const Uint64 now = SDL_GetPerformanceCounter();
    AdvanceDemoTime(clock->lastCounter, now, clock->counterPeriod);
    int drawableWidth = 0;
    int drawableHeight = 0;
    GetDrawableSize(record, &drawableWidth, &drawableHeight);
    BeginShowFrame(record, drawableWidth, drawableHeight);
    RenderFrame();
    EndShowFrame(drawableWidth, drawableHeight);
    SDL_GL_SwapWindow(record.window);
    ReportFrame(g_demoTime, drawableWidth, drawableHeight);
    clock->lastCounter = now;
    if (g_demoTime >= END_TIME)
        g_running = 0;
}

// Runs the show until it ends. One event is handled per turn; a turn with
// no event draws a frame while the window is visible, and waits for events
// while it is minimised (the counter is not read then, so the first frame
// after a restore takes in the whole pause, and the show resumes where the
// music has got to).
static void RunEventLoop(RenderWindow* record, FrameClock* clock)
{
    bool firstFrame = true;
    while (g_running && !g_stopSignal) {
        if (g_fullscreenSignalled) {
            g_fullscreenSignalled = 0;
            ToggleFullscreen(record);
        }
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            HandleRenderWindowEvent(record, event);
        } else if (record->visible == 0) {
            if (SDL_WaitEventTimeout(&event, MINIMISED_WAIT_MS))
                HandleRenderWindowEvent(record, event);
        } else {
            if (firstFrame)
                BeginStartupPhase(STARTUP_FIRST_FRAME);
            StepFrame(*record, clock);
            if (firstFrame) {
                EndStartupPhase(STARTUP_FIRST_FRAME);
                PrintStartupTiming();
                firstFrame = false;
            }
        }
    }
}

// Builds the window, the show and the music, plays the show to its end and
// tears everything down. Returns the exit code: 0, or 1 when no display or
// no GL window can be had.
static int RunShow()
{
    if (!OpenDisplay())
        return 1;
    RenderWindow record = {};
    record.title = "Halvane";
    record.width = g_displaySettings.windowWidth;
    record.height = g_displaySettings.windowHeight;
    record.fullscreen = g_displaySettings.fullscreen;
    g_running = 1;

    BeginStartupPhase(STARTUP_WINDOW);
    if (CreateRenderWindow(&record) != 1) {
        ShowMessageBox("Error Creating OpenGL Window", "Error", MESSAGE_OK | MESSAGE_ICON_EXCLAMATION);
        g_running = 0;
        SDL_Quit();
        return 1;
    }
    EndStartupPhase(STARTUP_WINDOW);
    ReportWindowCreated(record);
    // Neither the screen saver nor the display's power saving while it runs.
    SDL_DisableScreenSaver();
    // A toggle signalled before the window existed has nothing to toggle.
    g_fullscreenSignalled = 0;

    BeginStartupPhase(STARTUP_SHOW);
    InitShow();
    EndStartupPhase(STARTUP_SHOW);
    BeginStartupPhase(STARTUP_MUSIC_OPEN);
    InitMusic();
    EndStartupPhase(STARTUP_MUSIC_OPEN);

    FrameClock clock;
    clock.counterPeriod = GetCounterPeriod(SDL_GetPerformanceFrequency());
    clock.lastCounter = SDL_GetPerformanceCounter();
    BeginStartupPhase(STARTUP_MUSIC_START);
    const BOOL playing = BASS_ChannelPlay(g_musicStream, TRUE);
    EndStartupPhase(STARTUP_MUSIC_START);
    if (!playing) {
        // The show goes on silently, timed by the counter alone; the time
        // this box stays open counts into the first frame.
        ShowMessageBox("Music play error", nullptr, MESSAGE_OK);
    }

    DeferStopSignals();
    RunEventLoop(&record, &clock);

    FreeMusic();
    ReleaseShowFrame();
    DestroyRenderWindow(&record);
    ReportTeardown();
    SDL_Quit();
    return 0;
}

int main(int argc, char** argv)
{
    TuneHostMemory();
    // First, so that SIGUSR1 never ends the process and SIGINT and SIGTERM
    // always do.
    InstallShellSignals();

    PlayerOptions options;
    std::string error;
    switch (ParsePlayerOptions(argc, argv, &options, &error)) {
    case PLAYER_PARSE_HELP:
        std::fputs(GetPlayerUsage(), stdout);
        return 0;
    case PLAYER_PARSE_ERROR:
        std::fprintf(stderr, "halvane: %s\nTry 'halvane --help' for the options.\n", error.c_str());
        return 2;
    case PLAYER_PARSE_OK:
        break;
    }
    OpenTestReport();
    if (options.reportTiming)
        EnableStartupTiming();
    // Before any window: without its content the show has nothing to play.
    std::string dataError;
    if (!EnterDataFolder(std::string(), &dataError)) {
        std::fprintf(stderr, "halvane: %s\n", dataError.c_str());
        ReportExit(1);
        return 1;
    }

    if (options.skipDialog) {
        g_displaySettings = options.display;
    } else {
        const SetupResult result = RunSetupDialog(&g_displaySettings);
        if (result != SETUP_RUN) {
            const int exitCode = result == SETUP_FAILED ? 1 : 0;
            ReportExit(exitCode);
            return exitCode;
        }
    }
    ReportSetupChoice(g_displaySettings);

    int exitCode = RunShow();
    // Stopped by a signal: torn down, and ended by that signal.
    if (g_stopSignal)
        exitCode = 128 + g_stopSignal;
    ReportExit(exitCode);
    RaiseStopSignal();
    return exitCode;
}
