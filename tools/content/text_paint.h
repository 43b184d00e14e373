// Text and mark painting for the generated pictures, on cairo with pango.
// Hinting is off everywhere, so a word's shape depends only on its outline
// and its size, never on the pixel grid it happens to start on.
#pragma once

#include <cairo.h>

// A colour with opacity, components 0..1.
struct PaintColour {
    double r, g, b, a;
};

// How a word is painted into its box: the ink, and a soft light glow around
// it that keeps dark letters readable over dark parts of a scene.
struct WordStyle {
    const char* family;   // pango family and style, e.g. "DejaVu Sans Bold"
    PaintColour ink;
    PaintColour halo;     // its opacity is that of the innermost glow ring
    double haloShare;     // glow width as a share of the box height
    double maxStretch;    // how far the word may be widened or narrowed to fill
};

// Sets the font options the generator uses on cr: no hinting, greyscale
// antialiasing.
void SetQuietFontOptions(cairo_t* cr);

// Paints word so that its ink fills the box (x, y, w, h) as fully as its
// shape allows (centred, stretched at most style.maxStretch one way), with
// nothing drawn outside the box. A word of one mark ("." or "·") is painted
// as a round dot. Returns false when the word has no ink.
bool PaintWordInBox(cairo_t* cr, const char* word, const WordStyle& style,
                    double x, double y, double w, double h);

// The ink aspect (width / height) of word in style's font, for choosing
// words that suit their boxes.
double MeasureWordAspect(const char* word, const char* family);

// Paints one line of text (pango markup allowed) centred on centreX, its
// logical top at top, with the font family at pixel size size. Returns the
// line's logical height in pixels.
double PaintTextCentred(cairo_t* cr, const char* markup, const char* family, double size,
                        double centreX, double top, const PaintColour& colour);

// True when fontconfig resolves family (e.g. "DejaVu Sans Bold") to a face
// of that family rather than to a stand-in; the pictures are designed with,
// and are byte-identical only with, the named fonts.
bool IsFontInstalled(const char* family);

// Width in pixels of a line as PaintTextCentred would paint it.
double MeasureTextWidth(cairo_t* cr, const char* markup, const char* family, double size);
