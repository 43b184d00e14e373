// The browser host's message box. A page cannot stop its own thread for a
// modal box, so the text goes to the page's queue (Module.halvaneMessage),
// which shows the messages one at a time, in order, as a modal box the user
// dismisses, and holds the show's start until the last one is gone.
//
// The box's text is the show's own; the page has no stderr where a file's
// full path would be looked for, so the noted file is not added.
//
// Implements from message_box.h: ShowMessageBox, NoteMessageFile.
#include "platform/message_box.h"

#include <emscripten/emscripten.h>

EM_JS(void, QueuePageMessage, (const char* text, const char* caption, unsigned flags), {
    Module.halvaneMessage(UTF8ToString(text), caption ? UTF8ToString(caption) : "", flags);
});

// The page shows the show's text alone (see above).
void NoteMessageFile(const char*)
{
}

// Queues the message for the page's modal box.
void ShowMessageBox(const char* text, const char* caption, unsigned int flags)
{
    QueuePageMessage(text, caption, flags);
}
