// The render window through SDL2 (see render_window.h). SDL picks the X11 or
// Wayland visual when the window is made, so each multisample count is tried
// with a window of its own; the ones refused are never shown.
#include "linux/render_window.h"

#include "linux/test_report.h"

#include <cstdio>
#include <cstring>

// Asks SDL for the show's pixel format: 8 bits per colour and no alpha
// channel (a compositor would otherwise blend the window with the desktop
// where the show's alpha is below one), a 16-bit depth buffer, double
// buffering, and `samples` samples per pixel (0: none).
static void SetPixelFormatAttributes(int samples)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
}

// True for SDL's video drivers that show nothing on any screen.
static bool IsUnseenVideoDriver(const char* driver)
{
    return driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"));
}

bool OpenDisplay()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "halvane: cannot open the display: %s\n", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (IsUnseenVideoDriver(driver) && !(asked && std::strstr(asked, driver))) {
        const char* x11 = SDL_getenv("DISPLAY");
        const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "halvane: no display: neither an X display (DISPLAY=%s) nor a Wayland one "
            "(WAYLAND_DISPLAY=%s) can be reached\n", x11 ? x11 : "unset", wayland ? wayland : "unset");
        SDL_Quit();
        return false;
    }
    return true;
}

// Makes a hidden window with a current GL context for one sample count;
// false (and nothing left over) when the driver has no such format.
static bool TryCreateWindow(RenderWindow* record, int samples)
{
    SetPixelFormatAttributes(samples);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (record->fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    // The size is the client area of the windowed window, and the size the
    // window returns to when it leaves fullscreen.
    record->window = SDL_CreateWindow(record->title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                      record->width, record->height, flags);
    if (!record->window)
        return false;
    record->glContext = SDL_GL_CreateContext(record->window);
    if (!record->glContext) {
        SDL_DestroyWindow(record->window);
        record->window = nullptr;
        return false;
    }
    record->samples = samples;
    return true;
}

int CreateRenderWindow(RenderWindow* record)
{
    static const int SAMPLE_COUNTS[] = { 4, 2, 0 };
    bool created = false;
    for (int samples : SAMPLE_COUNTS) {
        if (TryCreateWindow(record, samples)) {
            created = true;
            break;
        }
    }
    if (!created)
        return 0;
    SDL_ShowCursor(record->fullscreen ? SDL_DISABLE : SDL_ENABLE);
    SDL_ShowWindow(record->window);
    record->visible = 1;
    return 1;
}

int DestroyRenderWindow(RenderWindow* record)
{
    if (record->glContext) {
        SDL_GL_MakeCurrent(record->window, nullptr);
        SDL_GL_DeleteContext(record->glContext);
        record->glContext = nullptr;
    }
    if (record->window) {
        SDL_DestroyWindow(record->window);
        record->window = nullptr;
    }
    SDL_ShowCursor(SDL_ENABLE);
    return 1;
}

bool ToggleFullscreen(RenderWindow* record)
{
    const int32_t fullscreen = record->fullscreen != 1 ? 1 : 0;
    if (SDL_SetWindowFullscreen(record->window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return false;
    record->fullscreen = fullscreen;
    SDL_ShowCursor(fullscreen ? SDL_DISABLE : SDL_ENABLE);
    ReportFullscreen(fullscreen);
    return true;
}

// Ends the show: the run loop sees the flag cleared and tears down for good.
static void QuitShow()
{
    g_running = 0;
}

// Keys: Escape ends the show; F11 and Alt+Enter toggle fullscreen. Held keys
// repeat, but only the first press counts.
static void HandleKey(RenderWindow* record, const SDL_KeyboardEvent& key)
{
    if (key.repeat)
        return;
    const SDL_Keycode code = key.keysym.sym;
    if (code == SDLK_ESCAPE) {
        QuitShow();
    } else if (code == SDLK_F11) {
        ToggleFullscreen(record);
    } else if ((code == SDLK_RETURN || code == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT)) {
        ToggleFullscreen(record);
    }
}

void HandleRenderWindowEvent(RenderWindow* record, const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        // The close box of the show's only window (and SIGINT, SIGTERM).
        QuitShow();
        break;
    case SDL_KEYDOWN:
        HandleKey(record, event.key);
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            QuitShow();
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            record->visible = 0;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SHOWN:
            record->visible = 1;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

void GetDrawableSize(const RenderWindow& record, int* width, int* height)
{
    SDL_GL_GetDrawableSize(record.window, width, height);
}
