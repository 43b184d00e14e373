// The multisampled pixel format: whether the driver offers
// WGL_ARB_multisample, and the probe that finds a 4- or 2-sample format.
#pragma once

#include <windows.h>

// True when the current context's WGL (or, failing that, GL) extension
// string names WGL_ARB_multisample as a whole word. Needs a current context.
bool HasMultisampleExtension();

// Asks the driver for a format with 4, then 2 samples. On success stores it
// in g_multisampleFormat, sets g_multisampleFound and returns true. Needs a
// current context on window.
bool ChooseMultisamplePixelFormat(HWND window);
