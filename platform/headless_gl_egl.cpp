// The headless GL context over EGL's surfaceless platform (Mesa). See
// headless_gl.h for what it offers.
#include "platform/headless_gl.h"
#include "platform/gl_api.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstdio>

// The one headless context of the process, with its display and surface.
static struct {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    int width = 0;
    int height = 0;
} s_headless;

// Picks an RGBA8 pbuffer config for desktop GL, multisampled when asked.
static bool ChooseHeadlessConfig(EGLDisplay display, int samples, EGLConfig* config)
{
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 16,
        EGL_SAMPLE_BUFFERS, samples > 1 ? 1 : 0,
        EGL_SAMPLES, samples > 1 ? samples : 0,
        EGL_NONE
    };
    EGLint count = 0;
    return eglChooseConfig(display, attributes, config, 1, &count) && count > 0;
}

// Opens the surfaceless display, or the default one when the extension is missing.
static EGLDisplay OpenSurfacelessDisplay()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay) {
        EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY)
            return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

bool OpenHeadlessGl(int width, int height, int samples)
{
    CloseHeadlessGl();
    EGLDisplay display = OpenSurfacelessDisplay();
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        std::fprintf(stderr, "headless GL: no EGL display (error 0x%x)\n", eglGetError());
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        std::fprintf(stderr, "headless GL: EGL offers no desktop OpenGL\n");
        eglTerminate(display);
        return false;
    }
    EGLConfig config;
    if (!ChooseHeadlessConfig(display, samples, &config) && !ChooseHeadlessConfig(display, 0, &config)) {
        std::fprintf(stderr, "headless GL: no RGBA8 pbuffer config\n");
        eglTerminate(display);
        return false;
    }
    const EGLint surfaceAttributes[] = { EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE };
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT
        || !eglMakeCurrent(display, surface, surface, context)) {
        std::fprintf(stderr, "headless GL: cannot create a %dx%d context (error 0x%x)\n",
            width, height, eglGetError());
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        eglTerminate(display);
        return false;
    }
    s_headless.display = display;
    s_headless.surface = surface;
    s_headless.context = context;
    s_headless.width = width;
    s_headless.height = height;
    return true;
}

void ReadHeadlessPixels(uint8_t* rgba)
{
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, s_headless.width, s_headless.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

int GetHeadlessWidth()
{
    return s_headless.width;
}

int GetHeadlessHeight()
{
    return s_headless.height;
}

void CloseHeadlessGl()
{
    if (s_headless.display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(s_headless.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(s_headless.display, s_headless.context);
    eglDestroySurface(s_headless.display, s_headless.surface);
    eglTerminate(s_headless.display);
    s_headless.display = EGL_NO_DISPLAY;
    s_headless.surface = EGL_NO_SURFACE;
    s_headless.context = EGL_NO_CONTEXT;
    s_headless.width = 0;
    s_headless.height = 0;
}
