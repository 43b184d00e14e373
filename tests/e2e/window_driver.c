/* window_driver: a test-only Windows console program (never shipped) that the
 * Wine end-to-end tests run next to the show, in the same Wine prefix, to see
 * and drive its windows from outside the process the way Windows itself or
 * another program would:
 *
 *   window_driver wait     CLASS TITLE [MS]  wait until such a window is shown; print it
 *   window_driver gone     CLASS TITLE [MS]  wait until no such window exists
 *   window_driver list                       print every shown top-level window
 *   window_driver screen                     print the display mode: "screen WxH"
 *   window_driver toggle   CLASS TITLE       post WM_USER+1 (the fullscreen toggle)
 *   window_driver minimize CLASS TITLE       post WM_SYSCOMMAND SC_MINIMIZE
 *   window_driver restore  CLASS TITLE       post WM_SYSCOMMAND SC_RESTORE
 *   window_driver close    CLASS TITLE       post WM_SYSCOMMAND SC_CLOSE (the close box)
 *   window_driver resize   CLASS TITLE W H   give the window this outer size, as a
 *                                            drag of its frame would
 *
 * CLASS or TITLE "-" matches any. A window is printed on one line as
 *   window class="C" title="T" x=.. y=.. w=.. h=.. client=WxH clientx=.. clienty=..
 *          style=0x.. exstyle=0x.. iconic=0|1
 * (x, y and clientx, clienty in screen coordinates; one line in the output)
 * followed, for a dialog, by one line per control:
 *   control id=.. class="C" text="T" x=.. y=.. w=.. h=.. checked=0|1 focused=0|1
 * The exit code is 0 on success, 1 when no window matched in time, 2 on a
 * usage error. The report goes to plain stdout, which Wine hands to the
 * calling shell script. */
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <stdlib.h>

typedef struct WindowQuery {
    const char *className; /* NULL: any */
    const char *title;     /* NULL: any */
    HWND found;
} WindowQuery;

/* Replaces characters that would break the one-line output format: quotes
 * and line breaks by spaces, anything not printable ASCII (a static control
 * showing a bitmap reports the resource reference as its text) by '?'. */
static void CleanText(char *text)
{
    for (; *text; ++text) {
        unsigned char c = (unsigned char)*text;
        if (c == '"' || c == '\r' || c == '\n') *text = ' ';
        else if (c < 0x20 || c > 0x7E) *text = '?';
    }
}

/* EnumWindows callback: remembers the first shown window matching the query. */
static BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    WindowQuery *query = (WindowQuery *)param;
    char className[256] = "";
    char title[256] = "";
    if (!IsWindowVisible(window)) return TRUE;
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (query->className && strcmp(query->className, className) != 0) return TRUE;
    if (query->title && strcmp(query->title, title) != 0) return TRUE;
    query->found = window;
    return FALSE;
}

/* Finds the first shown top-level window of the class and title, or NULL. */
static HWND FindShownWindow(const char *className, const char *title)
{
    WindowQuery query;
    query.className = className;
    query.title = title;
    query.found = NULL;
    EnumWindows(MatchWindow, (LPARAM)&query);
    return query.found;
}

/* EnumChildWindows callback: prints one control of a dialog; param is the
 * control that holds the keyboard focus in the dialog's thread. */
static BOOL CALLBACK PrintControl(HWND control, LPARAM param)
{
    char className[256] = "";
    char text[256] = "";
    RECT rect;
    int checked = 0;
    int focused;
    GetClassNameA(control, className, sizeof className);
    GetWindowTextA(control, text, sizeof text);
    CleanText(text);
    GetWindowRect(control, &rect);
    focused = (control == (HWND)param);
    if (_stricmp(className, "Button") == 0) {
        checked = (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    printf("control id=%d class=\"%s\" text=\"%s\" x=%ld y=%ld w=%ld h=%ld checked=%d focused=%d\n",
           GetDlgCtrlID(control), className, text, rect.left, rect.top,
           rect.right - rect.left, rect.bottom - rect.top, checked, focused);
    return TRUE;
}

/* Prints one top-level window and, for a dialog, its controls. */
static void ReportWindow(HWND window)
{
    char className[256] = "";
    char title[256] = "";
    RECT rect;
    RECT client;
    POINT clientOrigin = {0, 0};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    CleanText(title);
    GetWindowRect(window, &rect);
    GetClientRect(window, &client);
    ClientToScreen(window, &clientOrigin);
    printf("window class=\"%s\" title=\"%s\" x=%ld y=%ld w=%ld h=%ld client=%ldx%ld "
           "clientx=%ld clienty=%ld style=0x%08lx exstyle=0x%08lx iconic=%d\n",
           className, title, rect.left, rect.top, rect.right - rect.left,
           rect.bottom - rect.top, client.right, client.bottom,
           clientOrigin.x, clientOrigin.y,
           (unsigned long)GetWindowLongA(window, GWL_STYLE),
           (unsigned long)GetWindowLongA(window, GWL_EXSTYLE), IsIconic(window) ? 1 : 0);
    if (strcmp(className, "#32770") == 0) {
        GUITHREADINFO info;
        info.cbSize = sizeof info;
        info.hwndFocus = NULL;
        GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info);
        EnumChildWindows(window, PrintControl, (LPARAM)info.hwndFocus);
    }
    fflush(stdout);
}

/* EnumWindows callback: prints every shown top-level window. */
static BOOL CALLBACK PrintShownWindow(HWND window, LPARAM param)
{
    (void)param;
    if (IsWindowVisible(window)) ReportWindow(window);
    return TRUE;
}

/* Polls for a matching window until it appears (wantShown) or is gone. */
static HWND WaitForWindow(const char *className, const char *title, int wantShown, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindShownWindow(className, title);
        if ((window != NULL) == (wantShown != 0)) return window ? window : (HWND)1;
        if (GetTickCount() - start >= timeoutMs) return NULL;
        Sleep(50);
    }
}

/* Turns "-" into "any". */
static const char *OrAny(const char *text)
{
    return strcmp(text, "-") == 0 ? NULL : text;
}

/* Runs the one command given on the command line. */
int main(int argc, char **argv)
{
    const char *command;
    const char *className;
    const char *title;
    DWORD timeoutMs;
    HWND window;

    if (argc < 2) {
        fprintf(stderr, "usage: window_driver list|screen|wait|gone|toggle|minimize|restore|close|resize CLASS TITLE [MS|W H]\n");
        return 2;
    }
    command = argv[1];
    if (strcmp(command, "list") == 0) {
        EnumWindows(PrintShownWindow, 0);
        return 0;
    }
    if (strcmp(command, "screen") == 0) {
        printf("screen %dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        return 0;
    }
    if (argc < 4) {
        fprintf(stderr, "window_driver %s: CLASS and TITLE needed\n", command);
        return 2;
    }
    className = OrAny(argv[2]);
    title = OrAny(argv[3]);
    timeoutMs = argc > 4 ? (DWORD)strtoul(argv[4], NULL, 10) : 0;

    if (strcmp(command, "wait") == 0) {
        window = WaitForWindow(className, title, 1, timeoutMs);
        if (!window) return 1;
        ReportWindow(window);
        return 0;
    }
    if (strcmp(command, "gone") == 0) {
        return WaitForWindow(className, title, 0, timeoutMs) ? 0 : 1;
    }

    window = FindShownWindow(className, title);
    if (!window) {
        fprintf(stderr, "window_driver %s: no window\n", command);
        return 1;
    }
    if (strcmp(command, "toggle") == 0) {
        PostMessageA(window, WM_USER + 1, 0, 0);
    } else if (strcmp(command, "minimize") == 0) {
        PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (strcmp(command, "restore") == 0) {
        PostMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    } else if (strcmp(command, "close") == 0) {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (strcmp(command, "resize") == 0 && argc > 5) {
        SetWindowPos(window, NULL, 0, 0, atoi(argv[4]), atoi(argv[5]),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        fprintf(stderr, "window_driver: unknown command %s\n", command);
        return 2;
    }
    return 0;
}
