// The Windows program's message box: MessageBoxA with no owner window.
#include "platform/message_box.h"

#include <windows.h>

void ShowMessageBox(const char* text, const char* caption, unsigned int flags)
{
    MessageBoxA(nullptr, text, caption, flags);
}
