// The caption text: one word (or mark) for each of the 86 rectangles of the
// caption schedule, in schedule order, so the verse builds up word by word.
#pragma once

#include "timeline/caption_schedule.h"

// The words of sheet `sheet` (0..10), one per piece, in piece order.
extern const char* const* const CAPTION_WORDS[CAPTION_SHEET_COUNT];
