// The plot of the frame profile (see capture_profile.h), drawn with cairo:
// one bar per 5 s stretch at its median (red when over the 60 frames/s
// budget), a grey tick at its slowest frame, the 16.7 ms line, and the scene
// windows as labelled bands along the top.
#include "tools/capture/capture_profile.h"

#include "timeline/show_table.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

// The picture and the plotting area inside it, in pixels.
static const int PLOT_WIDTH = 1200;
static const int PLOT_HEIGHT = 620;
static const double AREA_LEFT = 70.0;
static const double AREA_RIGHT = 1180.0;
static const double AREA_TOP = 110.0;
static const double AREA_BOTTOM = 570.0;
static const double SHOW_SECONDS = 180.0;

// A scene window, its label and its band colour.
struct PlotScene {
    const SceneWindow* window;
    const char* label;
    double r, g, b;
};

static const PlotScene PLOT_SCENES[] = {
    { &PULSE_SQUARES_WINDOW, "pulse squares", 0.80, 0.60, 0.40 },
    { &SPLIT_SPHERE_WINDOW, "split sphere", 0.55, 0.65, 0.85 },
    { &STAR_TUNNEL_WINDOW, "star tunnel", 0.85, 0.70, 0.30 },
    { &KNOTS_WINDOW, "knots", 0.20, 0.70, 0.60 },
    { &CREDITS_WINDOW, "credits", 0.60, 0.60, 0.60 },
};

// Horizontal pixel of a demo time.
static double MapTime(double seconds)
{
    return AREA_LEFT + (AREA_RIGHT - AREA_LEFT) * seconds / SHOW_SECONDS;
}

// Vertical pixel of a frame time, clamped to the area.
static double MapMs(double ms, double topMs)
{
    return AREA_BOTTOM - (AREA_BOTTOM - AREA_TOP) * std::min(ms, topMs) / topMs;
}

// Draws text with its left edge (or its centre) at x and its baseline at y.
static void DrawPlotText(cairo_t* cr, const std::string& text, double x, double y, double size, bool centred)
{
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, centred ? x - extents.x_advance / 2.0 : x, y);
    cairo_show_text(cr, text.c_str());
}

// The scene bands behind the bars, each labelled above the area; bands that
// overlap get their labels on two rows.
static void DrawSceneBands(cairo_t* cr)
{
    int row = 0;
    for (const PlotScene& scene : PLOT_SCENES) {
        const double x1 = MapTime(scene.window->start), x2 = MapTime(scene.window->end);
        cairo_set_source_rgba(cr, scene.r, scene.g, scene.b, 0.18);
        cairo_rectangle(cr, x1, AREA_TOP, x2 - x1, AREA_BOTTOM - AREA_TOP);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, scene.r * 0.8, scene.g * 0.8, scene.b * 0.8);
        cairo_rectangle(cr, x1, AREA_TOP - 8.0, x2 - x1, 8.0);
        cairo_fill(cr);
        char range[48];
        std::snprintf(range, sizeof range, "%s %g-%g s", scene.label, scene.window->start, scene.window->end);
        cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
        DrawPlotText(cr, range, 0.5 * (x1 + x2), AREA_TOP - 14.0 - 14.0 * row, 12.0, true);
        row = 1 - row;
    }
}

// Axes, grid lines and their numbers.
static void DrawPlotAxes(cairo_t* cr, double topMs, double stepMs)
{
    cairo_set_line_width(cr, 1.0);
    for (double ms = 0.0; ms <= topMs + 1e-9; ms += stepMs) {
        const double y = std::round(MapMs(ms, topMs)) + 0.5;
        cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, ms == 0.0 ? 0.8 : 0.12);
        cairo_move_to(cr, AREA_LEFT, y);
        cairo_line_to(cr, AREA_RIGHT, y);
        cairo_stroke(cr);
        char label[16];
        std::snprintf(label, sizeof label, "%g", ms);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        DrawPlotText(cr, label, AREA_LEFT - 30.0, y + 4.0, 12.0, false);
    }
    for (int s = 0; s <= 180; s += 10) {
        const double x = std::round(MapTime(s)) + 0.5;
        cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.6);
        cairo_move_to(cr, x, AREA_BOTTOM);
        cairo_line_to(cr, x, AREA_BOTTOM + 5.0);
        cairo_stroke(cr);
        DrawPlotText(cr, std::to_string(s), x, AREA_BOTTOM + 19.0, 12.0, true);
    }
    DrawPlotText(cr, "demo time (s): median of each 5 s stretch", 0.5 * (AREA_LEFT + AREA_RIGHT),
        AREA_BOTTOM + 40.0, 13.0, true);
    cairo_save(cr);
    cairo_translate(cr, 22.0, 0.5 * (AREA_TOP + AREA_BOTTOM));
    cairo_rotate(cr, -M_PI / 2.0);
    DrawPlotText(cr, "ms per frame (RenderFrame + glFinish)", 0.0, 0.0, 13.0, true);
    cairo_restore(cr);
}

// One bar per stretch at its median, a tick at its slowest frame.
static void DrawStretchBars(cairo_t* cr, const FrameProfile& profile, double topMs)
{
    for (int k = 0; k < PROFILE_STRETCH_COUNT; ++k) {
        const ProfileStretch& s = profile.stretches[k];
        if (s.frames == 0)
            continue;
        const double x1 = MapTime(k * PROFILE_STRETCH_SECONDS) + 3.0;
        const double x2 = MapTime((k + 1) * PROFILE_STRETCH_SECONDS) - 3.0;
        const double y = MapMs(s.median, topMs);
        if (s.median > PROFILE_FRAME_BUDGET_MS)
            cairo_set_source_rgb(cr, 0.80, 0.15, 0.12);
        else
            cairo_set_source_rgb(cr, 0.18, 0.36, 0.62);
        cairo_rectangle(cr, x1, y, x2 - x1, AREA_BOTTOM - y);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.45, 0.45, 0.45);
        cairo_set_line_width(cr, 2.0);
        const double slow = MapMs(s.slowest, topMs);
        cairo_move_to(cr, x1 + 4.0, slow);
        cairo_line_to(cr, x2 - 4.0, slow);
        cairo_stroke(cr);
        char value[16];
        std::snprintf(value, sizeof value, "%.1f", s.median);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        DrawPlotText(cr, value, 0.5 * (x1 + x2), y - 3.0, 9.0, true);
    }
}

// The 60 frames/s line across the area.
static void DrawBudgetLine(cairo_t* cr, double topMs)
{
    const double y = MapMs(PROFILE_FRAME_BUDGET_MS, topMs);
    const double dash[] = { 8.0, 5.0 };
    cairo_set_source_rgb(cr, 0.85, 0.1, 0.1);
    cairo_set_line_width(cr, 2.0);
    cairo_set_dash(cr, dash, 2, 0.0);
    cairo_move_to(cr, AREA_LEFT, y);
    cairo_line_to(cr, AREA_RIGHT, y);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0.0);
    // The label sits left of the area's numbers, on a white patch.
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_rectangle(cr, AREA_LEFT + 4.0, y - 18.0, 132.0, 15.0);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.85, 0.1, 0.1);
    DrawPlotText(cr, "16.7 ms: 60 frames/s", AREA_LEFT + 8.0, y - 6.0, 12.0, false);
}

bool DrawProfilePlot(const FrameProfile& profile, const std::string& path)
{
    double highest = PROFILE_FRAME_BUDGET_MS;
    for (const ProfileStretch& s : profile.stretches)
        highest = std::max(highest, s.median);
    // Room above the highest bar for its number; about ten grid lines.
    double stepMs = 5.0;
    while (highest * 1.2 / stepMs > 10.0)
        stepMs *= 2.0;
    const double topMs = stepMs * std::ceil(highest * 1.2 / stepMs);

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, PLOT_WIDTH, PLOT_HEIGHT);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    // The heading's lines, small, at the top.
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    size_t from = 0;
    for (int line = 0; from < profile.heading.size(); ++line) {
        size_t to = profile.heading.find('\n', from);
        if (to == std::string::npos)
            to = profile.heading.size();
        DrawPlotText(cr, profile.heading.substr(from, to - from), 12.0, 20.0 + 16.0 * line, 12.0, false);
        from = to + 1;
    }
    DrawSceneBands(cr);
    DrawPlotAxes(cr, topMs, stepMs);
    DrawStretchBars(cr, profile, topMs);
    DrawBudgetLine(cr, topMs);
    cairo_destroy(cr);

    const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    if (!written)
        std::fprintf(stderr, "halvane-capture: cannot write the plot %s\n", path.c_str());
    cairo_surface_destroy(surface);
    return written;
}
