// The Windows program's message box: MessageBoxA with no owner window. Every
// box of the program, the shell's and the core's, is shown here, so the
// test-hooks build reports each one (text, caption, flags) before it opens.
// The box has no place for a file's path and a window program no stderr, so
// a noted file goes unsaid.
#include "platform/message_box.h"

#include "app/test_report.h"

#include <windows.h>

void ShowMessageBox(const char* text, const char* caption, unsigned int flags)
{
    ReportMessageBox(text, caption, flags);
    MessageBoxA(nullptr, text, caption, flags);
}

void NoteMessageFile(const char*)
{
}
