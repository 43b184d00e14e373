// ShowMessageBox for hosts without a desktop (the offline renderer, the
// tests): writes "caption: text" to stderr and goes on at once, as if the
// user had pressed OK, and keeps a record for the tests. The file a message
// is about follows it on a line of its own, by its full path.
#include "platform/data_folder.h"
#include "platform/message_box.h"
#include "platform/message_record.h"

#include <cstdio>
#include <cstring>
#include <string>

// Messages shown so far, oldest first; only the first few are kept.
static ShownMessage s_shown[MAX_SHOWN_MESSAGES];
// Messages shown since the last clear, including those not kept.
static int s_shownCount = 0;

// The file the next message is about; null when none was noted.
static const char* s_messageFile = nullptr;

void NoteMessageFile(const char* path)
{
    s_messageFile = path;
}

// Copies src into a fixed field, cutting it short rather than overflowing.
static void CopyField(char* dst, size_t size, const char* src)
{
    std::snprintf(dst, size, "%s", src ? src : "");
}

// Prints the message and records it; a null caption prints the text alone.
void ShowMessageBox(const char* text, const char* caption, unsigned int flags)
{
    if (caption)
        std::fprintf(stderr, "%s: %s\n", caption, text ? text : "");
    else
        std::fprintf(stderr, "%s\n", text ? text : "");
    const std::string file = s_messageFile ? ResolveContentPath(s_messageFile) : std::string();
    s_messageFile = nullptr;
    if (!file.empty())
        std::fprintf(stderr, "  file: %s\n", file.c_str());
    if (s_shownCount < MAX_SHOWN_MESSAGES) {
        ShownMessage& m = s_shown[s_shownCount];
        CopyField(m.text, sizeof m.text, text);
        CopyField(m.caption, sizeof m.caption, caption);
        CopyField(m.file, sizeof m.file, file.c_str());
        m.flags = flags;
    }
    ++s_shownCount;
}

int CountShownMessages()
{
    return s_shownCount;
}

const ShownMessage* GetShownMessage(int i)
{
    if (i < 0 || i >= s_shownCount || i >= MAX_SHOWN_MESSAGES)
        return nullptr;
    return &s_shown[i];
}

void ClearShownMessages()
{
    s_shownCount = 0;
}
