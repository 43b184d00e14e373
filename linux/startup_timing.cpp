// Start-up figures of --report-timing (see startup_timing.h).
#include "linux/startup_timing.h"

#include <SDL.h>

#include <cstdio>

// Counter values at each phase's start and end; 0 for a phase not seen.
struct StartupTiming {
    bool enabled;
    bool printed;
    Uint64 begin[STARTUP_PHASE_COUNT];
    Uint64 end[STARTUP_PHASE_COUNT];
};

static StartupTiming s_timing;

static const char* const PHASE_NAMES[STARTUP_PHASE_COUNT] = {
    "window and GL context",
    "show content (InitShow)",
    "music opening (InitMusic)",
    "music start",
    "first frame and swap",
};

void EnableStartupTiming()
{
    s_timing.enabled = true;
}

void BeginStartupPhase(StartupPhase phase)
{
    if (s_timing.enabled)
        s_timing.begin[phase] = SDL_GetPerformanceCounter();
}

void EndStartupPhase(StartupPhase phase)
{
    if (s_timing.enabled)
        s_timing.end[phase] = SDL_GetPerformanceCounter();
}

// Milliseconds between two counter values.
static double ToMilliseconds(Uint64 from, Uint64 to)
{
    return static_cast<double>(to - from) * 1000.0 / static_cast<double>(SDL_GetPerformanceFrequency());
}

void PrintStartupTiming()
{
    if (!s_timing.enabled || s_timing.printed)
        return;
    s_timing.printed = true;
    double afterWindow = 0.0;
    for (int phase = 0; phase < STARTUP_PHASE_COUNT; ++phase) {
        const double ms = ToMilliseconds(s_timing.begin[phase], s_timing.end[phase]);
        std::printf("start-up: %-27s %9.1f ms\n", PHASE_NAMES[phase], ms);
        if (phase != STARTUP_WINDOW)
            afterWindow += ms;
    }
    // The window apart: what the show itself takes to get going.
    std::printf("start-up: %-27s %9.1f ms\n", "show start (without window)", afterWindow);
    std::fflush(stdout);
}
