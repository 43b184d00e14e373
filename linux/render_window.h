// The render window and its GL context through SDL2: creation with the best
// multisampled format the driver offers, the fullscreen toggle that keeps
// window, context and everything in them, destruction, and the window's
// events turned into the shell's flags.
#pragma once

#include "linux/shell_state.h"

// Starts SDL's video on a display the user can see. Where no X or Wayland
// display can be reached SDL falls back to its offscreen driver, and the
// show would run unseen; that is refused unless SDL_VIDEODRIVER asks for it.
// SDL's own SIGINT and SIGTERM handlers are left out (shell_signals.h has the
// player's). Returns false, with the reason on stderr and SDL shut down.
bool OpenDisplay();

// Creates the window in the record's mode and its GL context (a
// compatibility context, double-buffered, with a depth buffer), makes the
// context current and shows the window. Multisampling is asked for with 4
// samples, then 2, then none; record->samples says what was obtained.
// Windowed, the client area is width x height; fullscreen, the window
// covers the screen at the screen's own resolution (the display mode is
// never changed) and the cursor is hidden. Returns 1, or 0 with window and
// context null.
int CreateRenderWindow(RenderWindow* record);

// Releases the context and destroys the window. Safe with no window.
int DestroyRenderWindow(RenderWindow* record);

// Switches between fullscreen and windowed in place: the same window, GL
// context and content. Returns false (and changes nothing) when refused.
bool ToggleFullscreen(RenderWindow* record);

// Handles one event addressed to the show: Escape and the close box end it
// (g_running cleared), F11 and Alt+Enter toggle fullscreen, minimising and
// restoring clear and set record->visible.
void HandleRenderWindowEvent(RenderWindow* record, const SDL_Event& event);

// The size of the window's GL drawable in pixels.
void GetDrawableSize(const RenderWindow& record, int* width, int* height);
