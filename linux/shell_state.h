// The native player's records and process-wide flags: the render window
// record and the flags that the run loop, the window's event handling and
// the signal handlers share. Defined in shell_state.cpp. Everything but
// the signal flags is used on the program's one thread only.
#pragma once

#include <SDL.h>

#include <csignal>
#include <cstdint>

// The one render window of the show and its GL context. Owned by the run
// loop (run_show.cpp).
struct RenderWindow {
    SDL_Window* window;        // null while no window exists
    SDL_GLContext glContext;   // null while none exists
    const char* title;         // "Halvane"
    int32_t width;             // the show's frame: the client size when
    int32_t height;            // windowed; scaled to fit when fullscreen
    int32_t fullscreen;        // 1 covering the screen, 0 windowed
    int32_t visible;           // 1 while shown and not minimised: frames are drawn
    int32_t samples;           // samples per pixel obtained: 4, 2 or 0 (none)
};

// 1 while the show goes on; cleared at the end time, on Escape and on close.
extern int32_t g_running;

// Set by the SIGUSR1 handler, taken (and cleared) by the run loop, which
// then toggles fullscreen: a handler may do nothing more than this.
extern volatile sig_atomic_t g_fullscreenSignalled;

// The SIGINT or SIGTERM that asked the run loop to stop (shell_signals.h); 0
// while none has. Set by the handler, read by the run loop and main.
extern volatile sig_atomic_t g_stopSignal;
