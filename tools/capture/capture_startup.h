// halvane-capture --startup: how long the show takes from the end of the
// setup dialog to its first frame on screen, phase by phase, and what
// InitShow spends its time on. Every start runs in a fresh child process, so
// each pays what a real start pays (driver loading, first-use state); the
// figures are medians over the starts.
#pragma once

#include "tools/capture/capture_options.h"

// Starts measured for the phase figures, and again for the step figures.
constexpr int STARTUP_RUNS = 7;

// The phases of one start, in the order the show runs them.
enum StartupPhase {
    STARTUP_CONTEXT,      // window and GL context (reported apart)
    STARTUP_INIT_SHOW,    // InitShow
    STARTUP_MUSIC_OPEN,   // sound device and music stream
    STARTUP_MUSIC_PLAY,   // BASS_ChannelPlay with restart
    STARTUP_FIRST_FRAME,  // the first RenderFrame
    STARTUP_FIRST_SHOW,   // its glFinish and read back, the swap's stand-in
    STARTUP_PHASE_COUNT
};

// Runs STARTUP_RUNS starts for the phases and as many for the steps, prints
// both tables and returns the exit code (1 when a start failed). The data
// folder must be the working directory's data/ already; nothing GL may have
// been opened in this process.
int RunCaptureStartup(const CaptureOptions& options);
