// The Windows shell's own checks, run under Wine (in Xvfb, with Mesa's GL)
// by tests/app_win32/run-shell-test: the dialog template and title bitmap
// as stored, the setup dialog run from them, the render window procedure
// with its record above 4 GiB, and a windowed render window with its GL
// context and multisampled pixel format. A plain program (no test
// framework for MinGW): it prints each failed check and exits with the
// number of failures. Never shipped.
#include "app/render_window.h"
#include "app/setup_dialog.h"
#include "app/shell_state.h"
#include "platform/gl_api.h"
#include "timeline/show_state.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

static int s_failures = 0;

#define CHECK(condition)                                                        \
    do {                                                                        \
        if (!(condition)) {                                                     \
            printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #condition);       \
            ++s_failures;                                                       \
        }                                                                       \
    } while (0)

// Takes the WM_QUIT the window procedure posted to window, if any.
static bool TakePostedQuit(HWND window)
{
    MSG message;
    return PeekMessageA(&message, window, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// Reads the dialog template's words and double words in order.
struct TemplateReader {
    const uint8_t* at;

    uint16_t Word()
    {
        uint16_t value;
        memcpy(&value, at, 2);
        at += 2;
        return value;
    }
    uint32_t DoubleWord()
    {
        uint32_t value;
        memcpy(&value, at, 4);
        at += 4;
        return value;
    }
    // A zero-terminated UTF-16 text, as ASCII (every text here is).
    std::string Text()
    {
        std::string text;
        for (uint16_t c = Word(); c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    void AlignToDoubleWord(const uint8_t* base)
    {
        while ((at - base) % 4)
            ++at;
    }
};

// One control of the template, as the setup dialog's table gives it.
struct TemplateControl {
    uint32_t id;
    uint16_t classAtom;
    const char* text;  // null: the bitmap ordinal 102
    uint32_t style;
    int16_t x, y, width, height;
};

// Dialog 101 byte by byte: an extended template under language 1049 with
// the table's style, size, caption, font and seven controls in order.
static void CheckSetupDialogTemplate(HINSTANCE instance)
{
    HRSRC resource = FindResourceExA(instance, reinterpret_cast<LPCSTR>(RT_DIALOG),
                                     MAKEINTRESOURCEA(IDD_SETUP), MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT));
    CHECK(resource != nullptr);
    if (!resource)
        return;
    const uint8_t* base = static_cast<const uint8_t*>(LockResource(LoadResource(instance, resource)));
    TemplateReader reader = { base };
    CHECK(reader.Word() == 1);        // version
    CHECK(reader.Word() == 0xFFFF);   // extended template
    CHECK(reader.DoubleWord() == 0);  // help id
    CHECK(reader.DoubleWord() == 0);  // extended style
    CHECK(reader.DoubleWord() == 0x80C800C8u);
    CHECK(reader.Word() == 7);
    CHECK(reader.Word() == 0);  // x
    CHECK(reader.Word() == 0);  // y
    CHECK(reader.Word() == 427);
    CHECK(reader.Word() == 279);
    CHECK(reader.Word() == 0);  // no menu
    CHECK(reader.Word() == 0);  // the default dialog class
    CHECK(reader.Text() == "Halvane by Varnek");
    CHECK(reader.Word() == 8);    // points
    CHECK(reader.Word() == 400);  // weight
    const uint16_t italicAndCharset = reader.Word();
    CHECK(italicAndCharset == 0x0100);  // not italic, charset 1
    CHECK(reader.Text() == "MS Shell Dlg");

    const TemplateControl controls[] = {
        { 1, 0x80, "Run Demo", 0x50010001u, 120, 252, 78, 18 },
        { 2, 0x80, "Exit", 0x50010000u, 228, 252, 78, 18 },
        { 0xFFFFFFFFu, 0x82, nullptr, 0x5000000Eu, 0, 0, 427, 222 },
        { 1001, 0x80, "16:9", 0x50020309u, 96, 230, 31, 12 },
        { 1002, 0x80, "4:3", 0x50000309u, 153, 231, 27, 10 },
        { 1003, 0x80, "Fullscreen", 0x50020309u, 206, 231, 48, 10 },
        { 1004, 0x80, "Windowed", 0x50000309u, 280, 231, 49, 10 },
    };
    for (const TemplateControl& control : controls) {
        reader.AlignToDoubleWord(base);
        CHECK(reader.DoubleWord() == 0);  // help id
        CHECK(reader.DoubleWord() == 0);  // extended style
        CHECK(reader.DoubleWord() == control.style);
        CHECK(static_cast<int16_t>(reader.Word()) == control.x);
        CHECK(static_cast<int16_t>(reader.Word()) == control.y);
        CHECK(static_cast<int16_t>(reader.Word()) == control.width);
        CHECK(static_cast<int16_t>(reader.Word()) == control.height);
        CHECK(reader.DoubleWord() == control.id);
        CHECK(reader.Word() == 0xFFFF);
        CHECK(reader.Word() == control.classAtom);
        if (control.text) {
            CHECK(reader.Text() == control.text);
        } else {
            CHECK(reader.Word() == 0xFFFF);
            CHECK(reader.Word() == IDB_TITLE);
        }
        CHECK(reader.Word() == 0);  // no creation data
    }

    // Bitmap 102: 640 x 360, 24 bits, uncompressed, bottom-up, no colours.
    HRSRC bitmap = FindResourceA(instance, MAKEINTRESOURCEA(IDB_TITLE), reinterpret_cast<LPCSTR>(RT_BITMAP));
    CHECK(bitmap != nullptr);
    if (!bitmap)
        return;
    BITMAPINFOHEADER header;
    memcpy(&header, LockResource(LoadResource(instance, bitmap)), sizeof header);
    CHECK(header.biWidth == 640 && header.biHeight == 360);
    CHECK(header.biBitCount == 24 && header.biCompression == BI_RGB && header.biClrUsed == 0);
}

// Opens dialog 101 modeless with the show's procedure.
static HWND OpenSetupDialog(HINSTANCE instance)
{
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDialogProc, 0);
    CHECK(dialog != nullptr);
    return dialog;
}

// The dialog from the real template: preselection, both radio groups, the
// focus that a mouse click leaves on a radio button, Exit.
static void CheckSetupDialog(HINSTANCE instance)
{
    char caption[64] = {};
    HWND dialog = OpenSetupDialog(instance);
    if (!dialog)
        return;
    GetWindowTextA(dialog, caption, sizeof caption);
    CHECK(lstrcmpA(caption, "Halvane by Varnek") == 0);
    CHECK(IsDlgButtonChecked(dialog, IDC_ASPECT_16_9) == BST_CHECKED);
    CHECK(IsDlgButtonChecked(dialog, IDC_FULLSCREEN) == BST_CHECKED);
    CHECK(IsDlgButtonChecked(dialog, IDC_ASPECT_4_3) == BST_UNCHECKED);
    CHECK(IsDlgButtonChecked(dialog, IDC_WINDOWED) == BST_UNCHECKED);

    // A click on a radio button checks it and gives it the focus; Enter
    // then presses Run Demo with the focus still on the radio button.
    g_setupAccepted = 0;
    SendDlgItemMessageA(dialog, IDC_ASPECT_16_9, BM_CLICK, 0, 0);
    SetFocus(GetDlgItem(dialog, IDC_ASPECT_16_9));
    const LRESULT wideState = SendDlgItemMessageA(dialog, IDC_ASPECT_16_9, BM_GETSTATE, 0, 0);
    printf("16:9 state with the focus: %ld\n", static_cast<long>(wideState));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(g_setupAccepted == 1);
    CHECK(g_displaySettings.windowWidth == 1280);
    CHECK(g_displaySettings.windowHeight == 720);
    CHECK(g_displaySettings.viewportHeight == 720);
    CHECK(g_displaySettings.fullscreen == 1);
    DestroyWindow(dialog);

    // 4:3 and Windowed: each click unchecks the other button of its group.
    dialog = OpenSetupDialog(instance);
    if (!dialog)
        return;
    g_setupAccepted = 0;
    SendDlgItemMessageA(dialog, IDC_ASPECT_4_3, BM_CLICK, 0, 0);
    SendDlgItemMessageA(dialog, IDC_WINDOWED, BM_CLICK, 0, 0);
    CHECK(IsDlgButtonChecked(dialog, IDC_ASPECT_16_9) == BST_UNCHECKED);
    CHECK(IsDlgButtonChecked(dialog, IDC_FULLSCREEN) == BST_UNCHECKED);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    CHECK(g_setupAccepted == 1);
    CHECK(g_displaySettings.windowWidth == 1024);
    CHECK(g_displaySettings.windowHeight == 768);
    CHECK(g_displaySettings.viewportHeight == 576);
    CHECK(g_displaySettings.fullscreen == 0);
    DestroyWindow(dialog);

    // Exit leaves the settings alone and the flag at 0.
    g_displaySettings = DISPLAY_16_9;
    dialog = OpenSetupDialog(instance);
    if (!dialog)
        return;
    g_setupAccepted = 0;
    SendDlgItemMessageA(dialog, IDC_WINDOWED, BM_CLICK, 0, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    CHECK(g_setupAccepted == 0);
    CHECK(g_displaySettings.windowWidth == 1280 && g_displaySettings.fullscreen == 1);
    DestroyWindow(dialog);
}

// The window procedure with the record placed above 4 GiB, where a 32-bit
// window-data slot would cut its address: every message that reaches the
// record must reach this one.
static void CheckWindowProcedure(const WindowClassInfo& classInfo)
{
    void* memory = VirtualAlloc(nullptr, sizeof(RenderWindow), MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN,
                                PAGE_READWRITE);
    CHECK(memory != nullptr);
    if (!memory)
        return;
    printf("record at %p\n", memory);
    if (sizeof(void*) == 8)
        CHECK(reinterpret_cast<uintptr_t>(memory) > 0xFFFFFFFFull);
    RenderWindow* record = static_cast<RenderWindow*>(memory);
    record->classInfo = const_cast<WindowClassInfo*>(&classInfo);
    record->title = "Halvane";
    record->width = 320;
    record->height = 200;

    HWND window = CreateWindowExA(WS_EX_APPWINDOW, classInfo.className, record->title, WS_OVERLAPPEDWINDOW,
                                  0, 0, 320, 200, nullptr, nullptr, classInfo.instance, record);
    CHECK(window != nullptr);
    if (!window)
        return;
    record->window = window;
    CHECK(reinterpret_cast<RenderWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA)) == record);

    record->visible = 1;
    SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
    CHECK(record->visible == 0);
    // A restore to a zero-width client must not divide by zero.
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 200));
    CHECK(record->visible == 1);
    record->visible = 0;
    SendMessageA(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(320, 200));
    CHECK(record->visible == 1);

    CHECK(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0) == 0);
    CHECK(SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2) == 0);

    // The fullscreen toggle flips the request and quits the pump, with the
    // running flag left set.
    g_running = 1;
    g_fullscreenRequest = 1;
    SendMessageA(window, WM_TOGGLE_FULLSCREEN, 0, 0);
    CHECK(g_fullscreenRequest == 0);
    CHECK(g_running == 1);
    CHECK(TakePostedQuit(window));
    SendMessageA(window, WM_TOGGLE_FULLSCREEN, 0, 0);
    CHECK(g_fullscreenRequest == 1);
    CHECK(TakePostedQuit(window));

    // Escape and the close box quit for good; the window stays until torn down.
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    CHECK(g_running == 1);
    CHECK(!TakePostedQuit(window));
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    CHECK(g_running == 0);
    CHECK(TakePostedQuit(window));
    g_running = 1;
    CHECK(SendMessageA(window, WM_CLOSE, 0, 0) == 0);
    CHECK(g_running == 0);
    CHECK(TakePostedQuit(window));
    CHECK(IsWindow(window));

    DestroyWindow(window);
    VirtualFree(memory, 0, MEM_RELEASE);
}

// A windowed render window through the real creation: client size, shown,
// context current, the square viewport; then the teardown.
static void CheckWindowedRenderWindow(WindowClassInfo& classInfo)
{
    RenderWindow record = {};
    record.classInfo = &classInfo;
    record.title = "Halvane";
    record.width = 1024;
    record.height = 768;
    record.colourBits = 32;
    record.fullscreen = 0;
    CHECK(CreateRenderWindow(&record) == 1);
    if (!record.window)
        return;
    CHECK(record.deviceContext != nullptr);
    CHECK(record.glContext != nullptr);
    CHECK(record.visible == 1);
    CHECK(IsWindowVisible(record.window));
    CHECK(wglGetCurrentContext() == record.glContext);
    RECT client;
    GetClientRect(record.window, &client);
    printf("client %ldx%ld, multisample found %d (format %d)\n", client.right, client.bottom,
           g_multisampleFound, g_multisampleFormat);
    CHECK(client.right == 1024 && client.bottom == 768);
    // Mesa offers WGL_ARB_multisample with 4 samples: the probe finds that
    // format, and the window made again after it uses it.
    CHECK(g_multisampleFound == 1);
    CHECK(GetPixelFormat(record.deviceContext) == g_multisampleFormat);
    GLint samples = 0;
    glGetIntegerv(0x80A9 /* GL_SAMPLES_ARB */, &samples);
    CHECK(samples == 4);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    CHECK(viewport[0] == 0 && viewport[1] == -128 && viewport[2] == 1024 && viewport[3] == 1024);
    CHECK(reinterpret_cast<RenderWindow*>(GetWindowLongPtrA(record.window, GWLP_USERDATA)) == &record);

    CHECK(DestroyRenderWindow(&record) == 1);
    CHECK(record.window == nullptr && record.deviceContext == nullptr && record.glContext == nullptr);
    CHECK(wglGetCurrentContext() == nullptr);
    // Safe a second time, with no window.
    CHECK(DestroyRenderWindow(&record) == 1);
}

int main()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    CheckSetupDialogTemplate(instance);
    CheckSetupDialog(instance);

    WindowClassInfo classInfo = { instance, "OpenGL" };
    CHECK(RegisterRenderWindowClass(&classInfo));
    CheckWindowProcedure(classInfo);
    CheckWindowedRenderWindow(classInfo);
    CHECK(UnregisterClassA(classInfo.className, classInfo.instance));

    printf("%s: %d failed check(s)\n", s_failures ? "FAILED" : "passed", s_failures);
    return s_failures;
}
