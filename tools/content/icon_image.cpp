// The program's icon for menus and launchers: the title picture's motif
// (the ring tunnel opening on the teal ground, the knot at its mouth) on a
// rounded square, written as RGBA PNGs at the sizes of the hicolor icon
// theme. Small sizes get fewer rings, so the tunnel still reads at 48 px.
#include "tools/content/content_images.h"
#include "tools/content/motif_paint.h"
#include "tools/content/png_writer.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

// Every size the icon is written at, in pixels.
static const int ICON_SIZES[] = { 48, 128, 256 };

// Adds a square of side size with corners rounded to radius, at (0, 0).
static void AddRoundedSquare(cairo_t* cr, double size, double radius)
{
    cairo_new_path(cr);
    cairo_arc(cr, size - radius, radius, radius, -M_PI / 2.0, 0.0);
    cairo_arc(cr, size - radius, size - radius, radius, 0.0, M_PI / 2.0);
    cairo_arc(cr, radius, size - radius, radius, M_PI / 2.0, M_PI);
    cairo_arc(cr, radius, radius, radius, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

// Paints the icon at size x size pixels, laid out on a 256-unit square.
static void PaintIcon(cairo_t* cr, int size)
{
    cairo_scale(cr, size / 256.0, size / 256.0);
    // A margin of 1/32 of the side, as icon themes leave around their shapes.
    cairo_translate(cr, 8.0, 8.0);
    AddRoundedSquare(cr, 240.0, 44.0);
    cairo_clip(cr);
    PaintTitleGround(cr, 120.0, 120.0, 8.0, 190.0);
    PaintTunnelMotif(cr, 120.0, 120.0, 330.0, size < 100 ? 8 : 20, 0.55);
    // The title's dark veil, here behind the knot, so that it stands out.
    PaintTitleVeil(cr, 120.0, 120.0, 10.0, 120.0, 0.8);
    PaintKnotMotif(cr, 120.0, 120.0, 72.0, 2, 3);
}

bool WriteIcons(const char* themeDir)
{
    bool written = true;
    for (int size : ICON_SIZES) {
        const std::string folder = std::string(themeDir) + "/hicolor/" + std::to_string(size) + "x"
            + std::to_string(size) + "/apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
        cairo_t* cr = cairo_create(surface);
        PaintIcon(cr, size);
        cairo_destroy(cr);
        const std::string path = folder + "/halvane.png";
        if (error || !WriteRgbaPng(path.c_str(), surface)) {
            std::fprintf(stderr, "halvane-content: cannot write %s\n", path.c_str());
            written = false;
        }
        cairo_surface_destroy(surface);
    }
    return written;
}
