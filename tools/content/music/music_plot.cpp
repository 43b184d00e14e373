// The level plot (see music_plot.h), drawn with cairo: demo time across,
// level up; shaded scene windows; the square threshold 1.2 over the beat and
// the sphere's band 0.15..2.1 (a third of it 0.05..0.7) over the sphere.
#include "tools/content/music/music_plot.h"

#include <algorithm>
#include <cairo.h>
#include <cstdio>

// Size of the picture and of its margins, in pixels.
enum { PLOT_WIDTH = 1800, PLOT_HEIGHT = 520, MARGIN_LEFT = 60, MARGIN_RIGHT = 20,
       MARGIN_TOP = 30, MARGIN_BOTTOM = 50 };
// Highest level shown; higher levels are drawn at the top edge.
static const double PLOT_LEVEL_MAX = 4.0;

// Pixel column of a demo time.
static double PlotX(double demoTime)
{
    return MARGIN_LEFT + demoTime / 180.0 * (PLOT_WIDTH - MARGIN_LEFT - MARGIN_RIGHT);
}

// Pixel row of a level.
static double PlotY(double level)
{
    double clamped = std::min(std::max(level, 0.0), PLOT_LEVEL_MAX);
    return PLOT_HEIGHT - MARGIN_BOTTOM -
           clamped / PLOT_LEVEL_MAX * (PLOT_HEIGHT - MARGIN_TOP - MARGIN_BOTTOM);
}

// Draws a horizontal threshold between two demo times, dashed, with a label.
static void DrawThreshold(cairo_t* cr, double level, double from, double to, double r,
                          double g, double b, const char* label)
{
    const double dash[1] = { 6.0 };
    cairo_set_source_rgb(cr, r, g, b);
    cairo_set_line_width(cr, 1.5);
    cairo_set_dash(cr, dash, 1, 0.0);
    cairo_move_to(cr, PlotX(from), PlotY(level));
    cairo_line_to(cr, PlotX(to), PlotY(level));
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0.0);
    cairo_move_to(cr, PlotX(from) + 4, PlotY(level) - 4);
    cairo_show_text(cr, label);
}

bool WriteLevelPlot(const char* path, const MusicFigures& figures)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, PLOT_WIDTH, PLOT_HEIGHT);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 13);

    // Scene windows, shaded in turn, with their names.
    struct Window { double from, to; const char* name; };
    const Window WINDOWS[] = { { 2.0, 24.0, "squares" }, { 24.0, 63.0, "sphere" },
                               { 62.0, 92.5, "tunnel" }, { 92.5, 160.0, "knots" },
                               { 162.8, 180.0, "credits" } };
    for (int i = 0; i < 5; ++i) {
        double shade = i % 2 ? 0.90 : 0.95;
        cairo_set_source_rgb(cr, shade, shade, i % 2 ? 0.97 : 0.92);
        cairo_rectangle(cr, PlotX(WINDOWS[i].from), MARGIN_TOP,
                        PlotX(WINDOWS[i].to) - PlotX(WINDOWS[i].from),
                        PLOT_HEIGHT - MARGIN_TOP - MARGIN_BOTTOM);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
        cairo_move_to(cr, PlotX(WINDOWS[i].from) + 4, MARGIN_TOP + 14);
        cairo_show_text(cr, WINDOWS[i].name);
    }

    // Axes with a tick every 10 s and every 0.5 of level.
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1.0);
    char text[32];
    for (int s = 0; s <= 180; s += 10) {
        cairo_move_to(cr, PlotX(s), PlotY(0));
        cairo_line_to(cr, PlotX(s), PlotY(0) + 5);
        cairo_stroke(cr);
        snprintf(text, sizeof text, "%d", s);
        cairo_move_to(cr, PlotX(s) - 8, PlotY(0) + 18);
        cairo_show_text(cr, text);
    }
    for (int i = 0; i <= (int)(PLOT_LEVEL_MAX * 2); ++i) {
        double level = i * 0.5;
        cairo_move_to(cr, MARGIN_LEFT - 5, PlotY(level));
        cairo_line_to(cr, MARGIN_LEFT, PlotY(level));
        cairo_stroke(cr);
        snprintf(text, sizeof text, "%.1f", level);
        cairo_move_to(cr, MARGIN_LEFT - 32, PlotY(level) + 4);
        cairo_show_text(cr, text);
    }
    cairo_move_to(cr, PlotX(80), PLOT_HEIGHT - 10);
    cairo_show_text(cr, "demo time (s); level = sum of the 512 FFT magnitudes");

    // The level, one point per show frame.
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.6);
    cairo_set_line_width(cr, 0.7);
    for (size_t k = 0; k < figures.levels.size(); ++k) {
        double x = PlotX(DemoTimeOfFrame((int)k)), y = PlotY(figures.levels[k]);
        if (k == 0) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
    }
    cairo_stroke(cr);

    DrawThreshold(cr, SQUARE_LEVEL, 0.0, 180.0, 0.8, 0.1, 0.1, "1.2: a square appears");
    DrawThreshold(cr, 3.0 * SPHERE_LIFT_MIN, 24.0, 62.5, 0.1, 0.6, 0.2,
                  "0.15: halves move (level/3 = 0.05)");
    DrawThreshold(cr, 3.0 * SPHERE_LIFT_MAX, 24.0, 62.5, 0.1, 0.6, 0.2,
                  "2.1: halves leave the picture (level/3 = 0.7)");

    cairo_surface_flush(surface);
    bool ok = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return ok;
}
