// Platform services every host supplies to the core.
//
// The core reports the few failures a user must see (a mesh that cannot be
// opened, the music that cannot be played) through one modal message box.
// Each host implements ShowMessageBox once:
//   message_box_sdl.cpp        SDL's message box, text also on stderr (the
//                              native Linux player)
//   message_box_stderr.cpp     "caption: text" on stderr, recorded for tests
//                              (the offline renderer and the tests)
//   app/message_box_win32.cpp  MessageBoxA with no owner window (the
//                              Windows program; it lives with the program
//                              because it also feeds the program's test
//                              report)
#pragma once

// Flag values, the same numbers as the Win32 MB_* constants.
enum : unsigned int {
    MESSAGE_OK = 0x00000000u,               // one OK button, no icon
    MESSAGE_ICON_EXCLAMATION = 0x00000030u  // the exclamation-mark icon
};

// Shows text in a modal box and returns once it is dismissed. caption may be
// null: the box then carries the system's default title.
void ShowMessageBox(const char* text, const char* caption, unsigned int flags);

// Names the file the next message is about (one that could not be opened or
// played), so that a host which writes its messages to stderr can add where
// that file was looked for; the box's text stays the show's own. path must
// live until that message is shown; the next ShowMessageBox forgets it.
void NoteMessageFile(const char* path);
