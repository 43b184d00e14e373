// What the stderr host of ShowMessageBox has shown, kept so tests can check
// which messages appeared and in which order. Only the stderr host has it.
#pragma once

// One shown message: its text, caption ("" when there was none), the full
// path of the file it was about ("" when none was noted) and flags.
struct ShownMessage {
    char text[128];
    char caption[64];
    char file[512];
    unsigned int flags;
};

// Number of messages shown since the last ClearShownMessages (may exceed the
// number kept; only the first MAX_SHOWN_MESSAGES are kept).
int CountShownMessages();

// The i-th message shown, 0 being the oldest; null when i is out of range.
const ShownMessage* GetShownMessage(int i);

// Forgets every message shown so far.
void ClearShownMessages();

// How many messages are kept.
enum { MAX_SHOWN_MESSAGES = 32 };
