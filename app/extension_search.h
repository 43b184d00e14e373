// Whole-word search in a space-separated extension string. Portable, so the
// Linux tests can run it.
#pragma once

// True when word occurs in text as a whole word: at the start of text or
// after a space, and followed by the end of text or a space. A match that is
// part of a longer name does not count; the search then goes on from the
// character after that match's start.
bool ContainsWholeWord(const char* text, const char* word);
