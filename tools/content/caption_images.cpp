// The caption sheets (see content_images.h): each is transparent but for its
// words, each word filling its rectangle of the caption schedule, so that the
// overlay reveals the verse one word at a time. Ink is near-black with a soft
// white glow, readable on the white background and over the scenes. Ink and
// glow are both grey, so the sheets are stored as grey + alpha.
#include "tools/content/caption_words.h"
#include "tools/content/content_images.h"
#include "tools/content/png_writer.h"
#include "tools/content/text_paint.h"

#include <cairo.h>

#include <cstdio>
#include <string>

static const WordStyle CAPTION_STYLE = {
    "DejaVu Sans Bold",
    { 0.06, 0.06, 0.06, 1.0 },
    { 1.0, 1.0, 1.0, 0.30 },
    0.07,
    1.35,
};

// Paints the words of one sheet onto a transparent 1280 x 720 surface.
static cairo_surface_t* PaintCaptionSheet(int sheet)
{
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, CAPTION_LAYOUT_WIDTH, CAPTION_LAYOUT_HEIGHT);
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);

    const CaptionSheet& layout = CAPTION_SHEETS[sheet];
    for (int k = 0; k < layout.pieceCount; ++k) {
        const CaptionPiece& piece = layout.pieces[k];
        PaintWordInBox(cr, CAPTION_WORDS[sheet][k], CAPTION_STYLE, piece.x1, piece.y1,
                       piece.x2 - piece.x1, piece.y2 - piece.y1);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

// Paints and writes every sheet under the file name its schedule entry gives.
bool WriteCaptionImages(const char* outDir)
{
    bool written = true;
    for (int sheet = 0; sheet < CAPTION_SHEET_COUNT; ++sheet) {
        const std::string path = std::string(outDir) + "/" + CAPTION_SHEETS[sheet].file;
        cairo_surface_t* surface = PaintCaptionSheet(sheet);
        if (!WriteGreyAlphaPng(path.c_str(), surface)) {
            std::fprintf(stderr, "halvane-content: cannot write %s\n", path.c_str());
            written = false;
        }
        cairo_surface_destroy(surface);
    }
    return written;
}

// Lists each word with its box, to choose words that fill their boxes.
void ReportCaptionWords()
{
    for (int sheet = 0; sheet < CAPTION_SHEET_COUNT; ++sheet) {
        const CaptionSheet& layout = CAPTION_SHEETS[sheet];
        std::printf("%s\n", layout.file);
        for (int k = 0; k < layout.pieceCount; ++k) {
            const CaptionPiece& piece = layout.pieces[k];
            const int w = piece.x2 - piece.x1, h = piece.y2 - piece.y1;
            const double box = static_cast<double>(w) / h;
            const double word = MeasureWordAspect(CAPTION_WORDS[sheet][k], CAPTION_STYLE.family);
            const double stretch = word > 0.0 ? box / word : 0.0;
            std::printf("  %-12s %4dx%-4d box %5.2f word %5.2f stretch %4.2f%s\n",
                        CAPTION_WORDS[sheet][k], w, h, box, word, stretch,
                        stretch > CAPTION_STYLE.maxStretch || stretch * CAPTION_STYLE.maxStretch < 1.0
                            ? "  (does not fill)" : "");
        }
    }
}
