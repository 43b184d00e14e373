// The caption schedule: eleven caption images, each shown for a window of
// demo time, each revealed rectangle by rectangle. Coordinates are in the
// 1280 x 720 caption layout (x right, y down). Each sheet names its image
// file: the core loads it into the sheet's slot, the content generator
// paints the sheet's words into it, and the tests write and read it by this
// one name.
#pragma once

#include "content/texture.h"

// One revealable rectangle of a caption image.
struct CaptionPiece {
    float reveal;  // drawn while the demo time is strictly above this
    int x1, y1;    // top-left corner
    int x2, y2;    // bottom-right corner
};

// One caption image and its timing.
struct CaptionSheet {
    int slot;                   // caption slot 0..10
    const char* file;           // its image, relative to the working directory
    float opens;                // active while opens < t ...
    float closes;               // ... and t < closes
    const CaptionPiece* pieces; // tested and drawn in this order
    int pieceCount;
};

enum {
    CAPTION_SHEET_COUNT = CAPTION_SLOT_COUNT,  // one sheet per caption image
    CAPTION_PIECE_COUNT = 86,
    CAPTION_LAYOUT_WIDTH = 1280,
    CAPTION_LAYOUT_HEIGHT = 720
};

extern const CaptionSheet CAPTION_SHEETS[CAPTION_SHEET_COUNT];
