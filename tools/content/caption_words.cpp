// The caption verse. Each word was chosen for the shape of its rectangle:
// tall narrow boxes hold "I", the small boxes dots, and long boxes long words,
// so every word can fill its box without being squeezed out of shape.
#include "tools/content/caption_words.h"

// 17.png: the opening line, ending on three dots.
static const char* const SHEET_1_WORDS[] = {
    "I", "remember", "the", "morning", "sky", "broke", ".", ".", ".",
};
// 16.png: over the gathering squares.
static const char* const SHEET_2_WORDS[] = {
    "Squares", "gathered", "in", "silence", "to", "sing",
};
// 15.png: the sphere of two halves appears.
static const char* const SHEET_3_WORDS[] = {
    "I", "held", "everything", "in", "halves", "and", "breathed", "it", "in",
};
// 14.png: before the sphere splits.
static const char* const SHEET_4_WORDS[] = {
    "I", "listened", "and", "heard", "it", "break", "open",
};
// 13.png: into the tunnel of rings.
static const char* const SHEET_5_WORDS[] = {
    "I", "travelled", "through", "colours", "rings", "turning", "in", "time",
};
// 11.png: deeper in the tunnel.
static const char* const SHEET_6_WORDS[] = {
    "and", "I", "could", "count", "the", "seconds", "slip", "into", "colour",
};
// 10.png: the knots.
static const char* const SHEET_7_WORDS[] = {
    "All", "threads", "tangle", "slowly",
};
// 09.png: the knots in their cages.
static const char* const SHEET_8_WORDS[] = {
    "turning", "to", "wireframe", "a", "heart", "&amp;", "ribcage",
    "stretching", "out", "and", "returning",
};
// 08.png
static const char* const SHEET_9_WORDS[] = {
    "every", "knot", "has", "somewhere", "an", "end",
};
// 07.png
static const char* const SHEET_10_WORDS[] = {
    "and", "each", "thread", "remembering", "how", "to", "untangle",
    "yesterday", "too",
};
// 06.png: the closing line, opening on three dots.
static const char* const SHEET_11_WORDS[] = {
    ".", ".", ".", "and", "morning", "I", "woke", "again",
};

const char* const* const CAPTION_WORDS[CAPTION_SHEET_COUNT] = {
    SHEET_1_WORDS, SHEET_2_WORDS, SHEET_3_WORDS, SHEET_4_WORDS, SHEET_5_WORDS,
    SHEET_6_WORDS, SHEET_7_WORDS, SHEET_8_WORDS, SHEET_9_WORDS, SHEET_10_WORDS,
    SHEET_11_WORDS,
};

// Each table must hold exactly one word per piece of its sheet.
static_assert(sizeof(SHEET_1_WORDS) / sizeof(SHEET_1_WORDS[0]) == 9, "sheet 1 has 9 pieces");
static_assert(sizeof(SHEET_2_WORDS) / sizeof(SHEET_2_WORDS[0]) == 6, "sheet 2 has 6 pieces");
static_assert(sizeof(SHEET_3_WORDS) / sizeof(SHEET_3_WORDS[0]) == 9, "sheet 3 has 9 pieces");
static_assert(sizeof(SHEET_4_WORDS) / sizeof(SHEET_4_WORDS[0]) == 7, "sheet 4 has 7 pieces");
static_assert(sizeof(SHEET_5_WORDS) / sizeof(SHEET_5_WORDS[0]) == 8, "sheet 5 has 8 pieces");
static_assert(sizeof(SHEET_6_WORDS) / sizeof(SHEET_6_WORDS[0]) == 9, "sheet 6 has 9 pieces");
static_assert(sizeof(SHEET_7_WORDS) / sizeof(SHEET_7_WORDS[0]) == 4, "sheet 7 has 4 pieces");
static_assert(sizeof(SHEET_8_WORDS) / sizeof(SHEET_8_WORDS[0]) == 11, "sheet 8 has 11 pieces");
static_assert(sizeof(SHEET_9_WORDS) / sizeof(SHEET_9_WORDS[0]) == 6, "sheet 9 has 6 pieces");
static_assert(sizeof(SHEET_10_WORDS) / sizeof(SHEET_10_WORDS[0]) == 9, "sheet 10 has 9 pieces");
static_assert(sizeof(SHEET_11_WORDS) / sizeof(SHEET_11_WORDS[0]) == 8, "sheet 11 has 8 pieces");
