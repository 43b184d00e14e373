// Start-up figures (--report-timing): how long each phase between the setup
// dialog and the first presented frame takes, printed to stdout in
// milliseconds once the first frame is on screen. Without the option every
// call here does nothing measurable.
#pragma once

// The phases, in the order the player runs them.
enum StartupPhase {
    STARTUP_WINDOW,       // window and GL context creation
    STARTUP_SHOW,         // InitShow: GL state, images and meshes
    STARTUP_MUSIC_OPEN,   // InitMusic: sound device and music stream
    STARTUP_MUSIC_START,  // starting playback
    STARTUP_FIRST_FRAME,  // the first RenderFrame and buffer swap
    STARTUP_PHASE_COUNT
};

// Turns the report on (it is off until then).
void EnableStartupTiming();

// Notes the start of a phase; the phase ends where the next begins or at
// EndStartupPhase.
void BeginStartupPhase(StartupPhase phase);
void EndStartupPhase(StartupPhase phase);

// Prints the figures, once; later calls do nothing.
void PrintStartupTiming();
