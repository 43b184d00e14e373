// The render window: class registration, display-mode switch, window and GL
// context creation with the multisample probe, destruction, and the window
// procedure. The record pointer lives in the window's pointer-sized user
// data (GWLP_USERDATA), so it survives whole on 64-bit Windows.
#include "app/render_window.h"

#include "app/multisample.h"
#include "app/resize_viewport.h"
#include "platform/message_box.h"

#include <cstring>

void ShowShellError(const char* text)
{
    ShowMessageBox(text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

// Registers the "OpenGL" class: own DC, redrawn on resize, arrow cursor.
bool RegisterRenderWindowClass(const WindowClassInfo* classInfo)
{
    WNDCLASSEXA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = RenderWindowProc;
    windowClass.hInstance = classInfo->instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // COLOR_APPWORKSPACE used directly as the brush value.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE));
    windowClass.lpszClassName = classInfo->className;
    if (RegisterClassExA(&windowClass) == 0) {
        ShowShellError("RegisterClassEx Failed!");
        return false;
    }
    return true;
}

// Asks for the display mode; the refresh rate is left to the system.
bool SetFullscreenMode(int width, int height, int colourBits)
{
    DEVMODEA mode;
    memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(colourBits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

// The failure path after the DC was taken: gives it back and destroys the
// window. The display mode and the cursor are left as they are; the program
// ends right after such a failure.
static void ReleaseAndDestroyWindow(RenderWindow* record)
{
    ReleaseDC(record->window, record->deviceContext);
    record->deviceContext = nullptr;
    DestroyWindow(record->window);
    record->window = nullptr;
}

// Builds the window, its pixel format and GL context, probing once for a
// multisampled format; on failure releases what was made, in reverse.
int CreateRenderWindow(RenderWindow* record)
{
    PIXELFORMATDESCRIPTOR format;
    memset(&format, 0, sizeof format);
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = static_cast<BYTE>(record->colourBits & 0xFF);
    format.cAlphaBits = 1;
    format.cDepthBits = 16;
    format.iLayerType = PFD_MAIN_PLANE;

    RECT rect = { 0, 0, record->width, record->height };
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD extendedStyle = WS_EX_APPWINDOW;

    if (record->fullscreen == 1) {
        if (SetFullscreenMode(record->width, record->height, record->colourBits)) {
            ShowCursor(FALSE);
            style = WS_POPUP;
            extendedStyle = WS_EX_APPWINDOW | WS_EX_TOPMOST;
        } else {
            // The rectangle stays unadjusted: this window's outer size is
            // width x height.
            ShowShellError("Mode Switch Failed.\nRunning In Windowed Mode.");
            record->fullscreen = 0;
        }
    } else {
        AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
    }

    record->window = CreateWindowExA(extendedStyle, record->classInfo->className, record->title,
                                     style, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                                     nullptr, nullptr, record->classInfo->instance, record);
    if (!record->window)
        return 0;

    record->deviceContext = GetDC(record->window);
    if (!record->deviceContext) {
        DestroyWindow(record->window);
        record->window = nullptr;
        return 0;
    }

    int formatIndex = g_multisampleFormat;
    if (!g_multisampleFound) {
        formatIndex = ChoosePixelFormat(record->deviceContext, &format);
        if (formatIndex == 0) {
            ReleaseAndDestroyWindow(record);
            return 0;
        }
    }
    if (!SetPixelFormat(record->deviceContext, formatIndex, &format)) {
        ReleaseAndDestroyWindow(record);
        return 0;
    }

    record->glContext = wglCreateContext(record->deviceContext);
    if (!record->glContext) {
        ReleaseAndDestroyWindow(record);
        return 0;
    }
    if (!wglMakeCurrent(record->deviceContext, record->glContext)) {
        wglDeleteContext(record->glContext);
        record->glContext = nullptr;
        ReleaseAndDestroyWindow(record);
        return 0;
    }

    // A pixel format cannot be changed once set, so when the probe finds a
    // multisampled one this window (never shown) makes way for a new one.
    if (!g_multisampleFound && ChooseMultisamplePixelFormat(record->window)) {
        DestroyRenderWindow(record);
        return CreateRenderWindow(record);
    }

    ShowWindow(record->window, SW_SHOWNORMAL);
    record->visible = 1;
    ResizeViewport(record->width, record->height);
    return 1;
}

// Undoes CreateRenderWindow, and the display mode and hidden cursor of a
// fullscreen window.
int DestroyRenderWindow(RenderWindow* record)
{
    if (record->window) {
        if (record->deviceContext) {
            wglMakeCurrent(record->deviceContext, nullptr);
            if (record->glContext) {
                wglDeleteContext(record->glContext);
                record->glContext = nullptr;
            }
            ReleaseDC(record->window, record->deviceContext);
            record->deviceContext = nullptr;
        }
        DestroyWindow(record->window);
        record->window = nullptr;
    }
    if (record->fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    return 1;
}

// Ends the show: the pump takes the quit and, with the running flag clear,
// tears everything down for good.
static void QuitShow(const RenderWindow* record)
{
    PostMessageA(record->window, WM_QUIT, 0, 0);
    g_running = 0;
}

// Turns the render window's messages into the shell's flags.
LRESULT CALLBACK RenderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    RenderWindow* record = reinterpret_cast<RenderWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));

    switch (message) {
    case WM_CREATE: {
        const CREATESTRUCTA* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        return 0;
    }
    case WM_SIZE:
        if (!record)
            break;
        if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
            record->visible = 1;
            ResizeViewport(LOWORD(lParam), HIWORD(lParam));
            return 0;
        }
        if (wParam == SIZE_MINIMIZED) {
            record->visible = 0;
            return 0;
        }
        break;
    case WM_CLOSE:
        if (record)
            QuitShow(record);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE && record)
            QuitShow(record);
        break;
    case WM_SYSCOMMAND:
        // The whole wParam is compared: the screen saver and the monitor
        // power-off are refused while the show's window is active.
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)
            return 0;
        break;
    case WM_TOGGLE_FULLSCREEN:
        // The quit ends the pump with the running flag still set, so the
        // run loop builds the window again in the other mode.
        g_fullscreenRequest = g_fullscreenRequest != 1 ? 1 : 0;
        PostMessageA(window, WM_QUIT, 0, 0);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
