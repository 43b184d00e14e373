// Scene motifs for the still pictures (see motif_paint.h). Random choices
// come from the show's own generator formula with a fixed start, so every
// run paints the same picture.
#include "tools/content/motif_paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

// The show's random sequence: state * 214013 + 2531011, bits 16..30.
static int DrawMotifRandom(unsigned* state)
{
    *state = *state * 214013u + 2531011u;
    return static_cast<int>((*state >> 16) & 0x7FFF);
}

// Adds a closed toothed ring outline (the tunnel ring's inner edge, 8 round
// teeth) of the given radii, turned by turn radians.
static void AddToothedCircle(cairo_t* cr, double cx, double cy, double radius, double toothDepth,
                             double turn)
{
    const int steps = 160;
    for (int i = 0; i <= steps; ++i) {
        const double phi = 2.0 * M_PI * i / steps;
        const double wave = 0.5 + 0.5 * std::cos(8.0 * phi);
        const double r = radius - toothDepth * wave * wave * wave;
        const double x = cx + r * std::cos(phi + turn), y = cy + r * std::sin(phi + turn);
        if (i == 0)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
}

// Paints the rings far to near, each an annulus with a toothed hole.
void PaintTunnelMotif(cairo_t* cr, double cx, double cy, double nearRadius, int count, double alpha)
{
    // The same draws the tunnel makes at start-up: angle, red, green, blue.
    std::vector<double> turn(count), red(count), green(count), blue(count);
    unsigned state = 1;
    for (int i = 0; i < count; ++i) {
        turn[i] = (DrawMotifRandom(&state) % 90) * M_PI / 180.0;
        red[i] = (DrawMotifRandom(&state) % 255) / 255.0;
        green[i] = (DrawMotifRandom(&state) % 255) / 255.0;
        blue[i] = (DrawMotifRandom(&state) % 255) / 255.0;
    }
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    for (int i = count - 1; i >= 0; --i) {  // far to near
        const double depth = 1.0 + 0.55 * i;
        const double outer = nearRadius / depth;
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, outer, 0.0, 2.0 * M_PI);
        cairo_close_path(cr);
        AddToothedCircle(cr, cx, cy, outer * 1.75 / 2.0, outer * 0.14 / 2.0, turn[i]);
        cairo_set_source_rgba(cr, red[i], green[i], blue[i], alpha);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

// Paints the knot's line as a tube in short pieces ordered by height.
void PaintKnotMotif(cairo_t* cr, double cx, double cy, double radius, int p, int q)
{
    // The knot's line, seen from above, with its height for the crossings.
    const int steps = 720;
    const double core = 0.62, swing = 0.26;
    const double scale = radius / (core + swing);
    const double width = 0.16 * scale;
    std::vector<double> x(steps + 1), y(steps + 1), z(steps + 1);
    for (int i = 0; i <= steps; ++i) {
        const double t = 2.0 * M_PI * i / steps;
        const double r = core + swing * std::cos(q * t);
        x[i] = cx + scale * r * std::cos(p * t);
        y[i] = cy - scale * r * std::sin(p * t);
        z[i] = std::sin(q * t);
    }
    // Short pieces painted from the lowest to the highest: each piece's dark
    // rim covers what lies under it, so every crossing shows over and under.
    std::vector<int> order(steps);
    for (int i = 0; i < steps; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return z[a] + z[a + 1] < z[b] + z[b + 1];
    });
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    for (int i : order) {
        // Overlap neighbours a little so no seam shows between pieces.
        const double dx = x[i + 1] - x[i], dy = y[i + 1] - y[i];
        cairo_move_to(cr, x[i] - 0.15 * dx, y[i] - 0.15 * dy);
        cairo_line_to(cr, x[i + 1] + 0.15 * dx, y[i + 1] + 0.15 * dy);
        cairo_set_source_rgb(cr, 0.04, 0.08, 0.09);
        cairo_set_line_width(cr, width + 0.07 * scale);
        cairo_stroke_preserve(cr);
        cairo_set_source_rgb(cr, 0.2, 0.7, 0.6);
        cairo_set_line_width(cr, width);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

// Paints the spark column, then the two halves over it.
void PaintSphereMotif(cairo_t* cr, double cx, double cy, double radius)
{
    const double gap = 0.22 * radius;
    cairo_save(cr);
    // Sparks first, so the halves cover the column's ends.
    unsigned state = 7;
    cairo_set_source_rgb(cr, 0.8, 0.6, 0.1);
    for (int i = 0; i < 90; ++i) {
        const double sx = cx + (DrawMotifRandom(&state) % 1000 / 1000.0 - 0.5) * radius;
        const double sy = cy + (DrawMotifRandom(&state) % 1000 / 1000.0 - 0.5) * 2.2 * gap;
        const double size = 1.0 + DrawMotifRandom(&state) % 4;
        cairo_rectangle(cr, sx - 0.5 * size, sy - 0.5 * size, size, size);
    }
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.3, 0.6, 0.7);
    cairo_arc(cr, cx, cy - gap, radius, M_PI, 2.0 * M_PI);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy + gap, radius, 0.0, M_PI);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_restore(cr);
}

// Paints five turned squares.
void PaintSquaresMotif(cairo_t* cr, double cx, double cy, double size)
{
    static const double SQUARES[][4] = {  // x, y (share of size), edge share, turn
        { -0.28, -0.22, 0.34, 0.3 }, { 0.18, -0.3, 0.24, 0.9 }, { 0.25, 0.16, 0.38, 0.5 },
        { -0.2, 0.26, 0.26, 1.2 }, { -0.02, 0.0, 0.18, 0.1 },
    };
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.8, 0.6, 0.4);
    for (const auto& square : SQUARES) {
        cairo_save(cr);
        cairo_translate(cr, cx + square[0] * size, cy + square[1] * size);
        cairo_rotate(cr, square[3]);
        const double edge = square[2] * size;
        cairo_rectangle(cr, -0.5 * edge, -0.5 * edge, edge, edge);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_restore(cr);
}

void PaintTitleGround(cairo_t* cr, double cx, double cy, double innerRadius, double outerRadius)
{
    cairo_pattern_t* ground = cairo_pattern_create_radial(cx, cy, innerRadius, cx, cy, outerRadius);
    cairo_pattern_add_color_stop_rgb(ground, 0.0, 0.10, 0.32, 0.38);
    cairo_pattern_add_color_stop_rgb(ground, 1.0, 0.02, 0.07, 0.11);
    cairo_set_source(cr, ground);
    cairo_paint(cr);
    cairo_pattern_destroy(ground);
}

void PaintTitleVeil(cairo_t* cr, double cx, double cy, double innerRadius, double outerRadius, double alpha)
{
    cairo_pattern_t* veil = cairo_pattern_create_radial(cx, cy, innerRadius, cx, cy, outerRadius);
    cairo_pattern_add_color_stop_rgba(veil, 0.0, 0.02, 0.05, 0.08, alpha);
    cairo_pattern_add_color_stop_rgba(veil, 1.0, 0.02, 0.05, 0.08, 0.0);
    cairo_set_source(cr, veil);
    cairo_paint(cr);
    cairo_pattern_destroy(veil);
}
