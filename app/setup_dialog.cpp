// The setup dialog's procedure: centres the dialog, preselects 16:9 and
// Fullscreen, and on Run Demo writes the choice into the display settings.
#include "app/setup_dialog.h"

#include "app/display_choice.h"
#include "app/shell_state.h"
#include "app/test_report.h"
#include "timeline/show_state.h"

// Centres the dialog on the desktop (by the desktop's right and bottom edge
// only, as integer halves) and brings it to the front with the focus.
static void PlaceSetupDialog(HWND dialog)
{
    HWND desktop = GetDesktopWindow();
    if (desktop) {
        RECT desktopRect;
        RECT dialogRect;
        GetWindowRect(desktop, &desktopRect);
        GetWindowRect(dialog, &dialogRect);
        const int x = desktopRect.right / 2 - (dialogRect.right - dialogRect.left) / 2;
        const int y = desktopRect.bottom / 2 - (dialogRect.bottom - dialogRect.top) / 2;
        SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    }
    ShowWindow(dialog, SW_SHOW);
    SetActiveWindow(dialog);
    SetForegroundWindow(dialog);
    SetFocus(dialog);
}

// Run Demo: reads the two radio groups and accepts. Only the check bit of
// each button's state is looked at, so a button chosen with the keyboard
// (checked and focused) counts as chosen.
static void AcceptSetupChoice(HWND dialog)
{
    const unsigned int fullscreenState =
        static_cast<unsigned int>(SendDlgItemMessageA(dialog, IDC_FULLSCREEN, BM_GETSTATE, 0, 0));
    const unsigned int wideState =
        static_cast<unsigned int>(SendDlgItemMessageA(dialog, IDC_ASPECT_16_9, BM_GETSTATE, 0, 0));
    g_displaySettings = ChooseDisplaySettings(wideState, fullscreenState);
    g_setupAccepted = 1;
    ReportSetupChoice(g_displaySettings);
    EndDialog(dialog, 0);
}

// The dialog's messages; every path answers FALSE and ends with EndDialog 0.
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        PlaceSetupDialog(dialog);
        SendDlgItemMessageA(dialog, IDC_FULLSCREEN, BM_SETCHECK, BST_CHECKED, 0);
        SendDlgItemMessageA(dialog, IDC_ASPECT_16_9, BM_SETCHECK, BST_CHECKED, 0);
        // FALSE: the focus stays where SetFocus put it.
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AcceptSetupChoice(dialog);
            break;
        case IDCANCEL:
            g_setupAccepted = 0;
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            break;
        default:
            // The radio buttons keep their groups exclusive by themselves.
            break;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return FALSE;
    case WM_DESTROY:
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        return FALSE;
    default:
        return FALSE;
    }
}
