// The setup dialog: aspect and display-mode choice before the show starts.
#pragma once

#include <windows.h>

// Resource numbers of the dialog template and its title bitmap, and the
// dialog's radio buttons.
enum {
    IDD_SETUP = 101,
    IDB_TITLE = 102,
    IDC_ASPECT_16_9 = 1001,
    IDC_ASPECT_4_3 = 1002,
    IDC_FULLSCREEN = 1003,
    IDC_WINDOWED = 1004
};

// The procedure of dialog 101. Run Demo writes g_displaySettings and sets
// g_setupAccepted; Exit, Escape and the close box leave both as they were.
// Always ends the dialog with 0 and returns FALSE.
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
