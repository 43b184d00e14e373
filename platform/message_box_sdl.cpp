// The native Linux player's message box: SDL's modal box with no parent
// window, one OK button that Enter and Escape press. A box without a caption
// carries "Error", as the Windows system's default title reads. The text
// also goes to stderr, where a Linux program's messages are looked for, and
// where it is the only trace when no box can be shown; the file a message is
// about follows it there on a line of its own, by its full path.
#include "platform/data_folder.h"
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

// The file the next message is about; null when none was noted.
static const char* s_messageFile = nullptr;

void NoteMessageFile(const char* path)
{
    s_messageFile = path;
}

void ShowMessageBox(const char* text, const char* caption, unsigned int flags)
{
    const char* message = text ? text : "";
    std::fprintf(stderr, "halvane: %s\n", message);
    if (s_messageFile)
        std::fprintf(stderr, "  file: %s\n", ResolveContentPath(s_messageFile).c_str());
    s_messageFile = nullptr;
    std::fflush(stderr);
    const Uint32 kind = (flags & MESSAGE_ICON_EXCLAMATION) ? SDL_MESSAGEBOX_WARNING : 0;
    SDL_ShowSimpleMessageBox(kind, caption ? caption : "Error", message, nullptr);
}
