// The show shell's records and process-wide flags: the render window record,
// the window class information, and the integers that the run loop, the
// window procedure and the setup dialog share. Defined in shell_state.cpp.
// Everything here is used on the program's one GUI thread only.
#pragma once

#include <windows.h>

#include <cstdint>

// What the render window class is registered and its windows created with.
struct WindowClassInfo {
    HINSTANCE instance;
    const char* className;  // "OpenGL"
};

// The one render window of the show and its GL context. Owned by RunShow.
struct RenderWindow {
    HWND window;               // null while no window exists
    HDC deviceContext;         // the window's own DC (CS_OWNDC); null when none is held
    HGLRC glContext;           // null while none exists
    WindowClassInfo* classInfo;
    const char* title;         // "Halvane"
    int32_t width;             // client size windowed, display size fullscreen,
    int32_t height;            // outer size after a refused mode switch
    int32_t colourBits;        // 32; its low byte goes into the pixel format
    int32_t fullscreen;        // 1 fullscreen, 0 windowed
    int32_t visible;           // 1 while shown and not minimised: frames are drawn
};

// 1 while the show goes on; cleared at the end time, on Escape and on close,
// so a WM_QUIT taken while it is still 1 means "build the window again".
extern int32_t g_running;

// The display mode the next render window is created in; the window
// procedure flips it on WM_USER+1.
extern int32_t g_fullscreenRequest;

// 1 once the user chose Run Demo in the setup dialog.
extern uint8_t g_setupAccepted;

// The multisampled pixel format found by the first probe; kept for every
// later window so the probe runs only until one is found.
extern uint8_t g_multisampleFound;
extern int32_t g_multisampleFormat;

// The window message that toggles fullscreen and windowed from outside.
constexpr UINT WM_TOGGLE_FULLSCREEN = WM_USER + 1;
