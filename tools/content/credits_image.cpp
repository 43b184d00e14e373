// The credits image (see content_images.h): the title, the author, who did
// what, and thanks to the open libraries the show stands on, over the white
// of the show with a faint ring tunnel, and the four scenes in a row below.
#include "tools/content/content_images.h"
#include "tools/content/motif_paint.h"
#include "tools/content/png_writer.h"
#include "tools/content/text_paint.h"

#include <cairo.h>

#include <cstdio>

static const int CREDITS_WIDTH = 1280;
static const int CREDITS_HEIGHT = 720;
static const char* const CREDITS_FONT = "DejaVu Sans Bold";
static const char* const CREDITS_LIGHT_FONT = "DejaVu Sans";
static const PaintColour INK = { 0.05, 0.06, 0.09, 1.0 };
static const PaintColour TEAL = { 0.16, 0.50, 0.55, 1.0 };
static const PaintColour GREY = { 0.38, 0.42, 0.45, 1.0 };

// The background: white fading to a cool pale tone, a faint ring tunnel
// behind the title and a thin rule under it.
static void PaintCreditsBackground(cairo_t* cr)
{
    cairo_pattern_t* fade = cairo_pattern_create_linear(0, 0, 0, CREDITS_HEIGHT);
    cairo_pattern_add_color_stop_rgb(fade, 0.0, 1.0, 1.0, 1.0);
    cairo_pattern_add_color_stop_rgb(fade, 1.0, 0.90, 0.95, 0.96);
    cairo_set_source(cr, fade);
    cairo_paint(cr);
    cairo_pattern_destroy(fade);

    PaintTunnelMotif(cr, 0.5 * CREDITS_WIDTH, 150.0, 760.0, 50, 0.10);

    cairo_set_source_rgba(cr, TEAL.r, TEAL.g, TEAL.b, 0.6);
    cairo_set_line_width(cr, 2.0);
    cairo_move_to(cr, 0.5 * CREDITS_WIDTH - 220.0, 292.0);
    cairo_line_to(cr, 0.5 * CREDITS_WIDTH + 220.0, 292.0);
    cairo_stroke(cr);
}

// The four scenes as small pictures in a row along the bottom edge.
static void PaintSceneRow(cairo_t* cr)
{
    const double y = 640.0, spacing = 150.0, left = 0.5 * CREDITS_WIDTH - 1.5 * spacing;
    PaintSquaresMotif(cr, left, y, 84.0);
    PaintSphereMotif(cr, left + spacing, y, 38.0);
    PaintTunnelMotif(cr, left + 2.0 * spacing, y, 48.0, 24, 1.0);
    PaintKnotMotif(cr, left + 3.0 * spacing, y, 40.0, 2, 3);
}

// Paints the credits and writes them as an opaque (RGB) PNG.
bool WriteCreditsImage(const char* path)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, CREDITS_WIDTH, CREDITS_HEIGHT);
    cairo_t* cr = cairo_create(surface);
    SetQuietFontOptions(cr);
    PaintCreditsBackground(cr);

    const double centre = 0.5 * CREDITS_WIDTH;
    PaintTextCentred(cr, "Halvane", CREDITS_FONT, 128.0, centre, 48.0, INK);
    PaintTextCentred(cr, "by Varnek", CREDITS_FONT, 44.0, centre, 216.0, TEAL);

    PaintTextCentred(cr, "code \xC2\xB7 music \xC2\xB7 graphics", CREDITS_LIGHT_FONT, 24.0, centre, 318.0, GREY);
    PaintTextCentred(cr, "Varnek", CREDITS_FONT, 36.0, centre, 350.0, INK);

    PaintTextCentred(cr, "with thanks to the open libraries this show stands on", CREDITS_LIGHT_FONT, 24.0,
                     centre, 430.0, GREY);
    PaintTextCentred(cr, "Mesa \xC2\xB7 DevIL \xC2\xB7 SDL \xC2\xB7 libogg \xC2\xB7 libvorbis \xC2\xB7 stb_vorbis",
                     CREDITS_FONT, 30.0, centre, 466.0, INK);
    PaintTextCentred(cr, "kissfft \xC2\xB7 cairo \xC2\xB7 pango \xC2\xB7 DejaVu fonts \xC2\xB7 GoogleTest",
                     CREDITS_FONT, 30.0, centre, 508.0, INK);

    PaintSceneRow(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);

    const bool written = WriteRgbPng(path, surface);
    if (!written)
        std::fprintf(stderr, "halvane-content: cannot write %s\n", path);
    cairo_surface_destroy(surface);
    return written;
}
