// The multisampled pixel format through WGL_ARB_multisample: the extension
// check and the probe for a 4- or 2-sample format. Both need the probe
// window's GL context to be current, since WGL entry points are looked up
// through it.
#include "app/multisample.h"

#include "app/extension_search.h"
#include "app/shell_state.h"
#include "platform/gl_api.h"

#include <GL/wglext.h>

#include <cassert>

// Reads the WGL extension string (or GL's) of the current context.
bool HasMultisampleExtension()
{
    const char* extensions = nullptr;
    PFNWGLGETEXTENSIONSSTRINGARBPROC getExtensionsString =
        reinterpret_cast<PFNWGLGETEXTENSIONSSTRINGARBPROC>(
            reinterpret_cast<void*>(wglGetProcAddress("wglGetExtensionsStringARB")));
    if (getExtensionsString)
        extensions = getExtensionsString(wglGetCurrentDC());
    if (!extensions)
        extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions)
        return false;
    return ContainsWholeWord(extensions, "WGL_ARB_multisample");
}

// Asks WGL for a double-buffered RGBA format with 4, then 2 samples.
bool ChooseMultisamplePixelFormat(HWND window)
{
    if (!HasMultisampleExtension()) {
        g_multisampleFound = 0;
        return false;
    }
    PFNWGLCHOOSEPIXELFORMATARBPROC choosePixelFormat =
        reinterpret_cast<PFNWGLCHOOSEPIXELFORMATARBPROC>(
            reinterpret_cast<void*>(wglGetProcAddress("wglChoosePixelFormatARB")));
    if (!choosePixelFormat) {
        g_multisampleFound = 0;
        return false;
    }
    HDC deviceContext = GetDC(window);

    enum { SAMPLES_VALUE = 19 };  // index of the WGL_SAMPLES_ARB value below
    int attributes[] = {
        WGL_DRAW_TO_WINDOW_ARB, GL_TRUE,
        WGL_SUPPORT_OPENGL_ARB, GL_TRUE,
        WGL_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB,
        WGL_COLOR_BITS_ARB, 24,
        WGL_ALPHA_BITS_ARB, 8,
        WGL_DEPTH_BITS_ARB, 16,
        WGL_STENCIL_BITS_ARB, 0,
        WGL_DOUBLE_BUFFER_ARB, GL_TRUE,
        WGL_SAMPLE_BUFFERS_ARB, GL_TRUE,
        WGL_SAMPLES_ARB, 4,
        0, 0
    };
    const FLOAT floatAttributes[] = { 0.0f, 0.0f };
    assert(attributes[SAMPLES_VALUE - 1] == WGL_SAMPLES_ARB);
    int formatIndex = 0;
    UINT formatCount = 0;

    // Four samples first, then two; whatever is found is kept for the
    // rest of the process.
    const int sampleCounts[] = { 4, 2 };
    for (int samples : sampleCounts) {
        attributes[SAMPLES_VALUE] = samples;
        if (choosePixelFormat(deviceContext, attributes, floatAttributes, 1, &formatIndex, &formatCount)
            && formatCount >= 1) {
            g_multisampleFound = 1;
            g_multisampleFormat = formatIndex;
            return true;
        }
    }
    return false;
}
