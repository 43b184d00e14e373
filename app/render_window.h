// The render window and its GL context: class registration, creation in
// fullscreen or windowed mode (with the multisample probe), destruction, and
// the window procedure that turns messages into the shell's flags.
#pragma once

#include "app/shell_state.h"

// Shows one of the shell's failure boxes: no owner, caption "Error", OK with
// the exclamation icon.
void ShowShellError(const char* text);

// Registers the "OpenGL" window class. Shows "RegisterClassEx Failed!" and
// returns false when the system refuses it.
bool RegisterRenderWindowClass(const WindowClassInfo* classInfo);

// Creates the window in the record's mode, its DC, pixel format and GL
// context, makes the context current and shows the window. Returns 1, or 0
// with window, DC and context null again. A refused mode switch is reported
// and the window made windowed instead.
int CreateRenderWindow(RenderWindow* record);

// Releases the context and DC, destroys the window and, for a fullscreen
// record, restores the desktop mode and the cursor. Safe with no window.
int DestroyRenderWindow(RenderWindow* record);

// The window procedure of the "OpenGL" class.
LRESULT CALLBACK RenderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Switches the display to width x height at colourBits; true on success.
bool SetFullscreenMode(int width, int height, int colourBits);
