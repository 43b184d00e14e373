// Text and mark painting (see text_paint.h). Words are laid out at a large
// reference size, turned into outlines and scaled onto their boxes, so small
// and large boxes get the same letter shapes.
#include "tools/content/text_paint.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

static const double REFERENCE_SIZE = 200.0;  // pixels, for word outlines

// Turns hinting off so outlines scale without snapping to pixels.
void SetQuietFontOptions(cairo_t* cr)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

// Makes a layout of text (markup) in family at pixel size size, with the
// generator's font options. The caller unrefs it.
static PangoLayout* CreateTextLayout(cairo_t* cr, const char* markup, const char* family, double size)
{
    SetQuietFontOptions(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_get_font_options(cr, options);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);

    PangoFontDescription* font = pango_font_description_from_string(family);
    pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_markup(layout, markup, -1);
    return layout;
}

// True when word is a lone mark that is painted as a dot.
static bool IsDotMark(const char* word)
{
    return std::strcmp(word, ".") == 0 || std::strcmp(word, "\xC2\xB7") == 0;
}

// Lays the word out at the reference size and compares its ink's sides.
double MeasureWordAspect(const char* word, const char* family)
{
    if (IsDotMark(word))
        return 1.0;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = CreateTextLayout(cr, word, family, REFERENCE_SIZE);
    PangoRectangle ink;
    pango_layout_get_extents(layout, &ink, nullptr);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return ink.height > 0 ? static_cast<double>(ink.width) / ink.height : 0.0;
}

// Strokes the current path with a glow that fades outwards: three rings of
// growing width, each adding a little more of the halo colour.
static void PaintHalo(cairo_t* cr, const PaintColour& halo, double width)
{
    if (width <= 0.0 || halo.a <= 0.0)
        return;
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int ring = 3; ring >= 1; --ring) {
        cairo_set_source_rgba(cr, halo.r, halo.g, halo.b, halo.a * (4 - ring) / 3.0);
        cairo_set_line_width(cr, 2.0 * width * ring / 3.0);
        cairo_stroke_preserve(cr);
    }
}

// Scales the word's outline onto the box, then paints glow and ink.
bool PaintWordInBox(cairo_t* cr, const char* word, const WordStyle& style,
                    double x, double y, double w, double h)
{
    const double haloWidth = style.haloShare * h;
    const double pad = std::min(haloWidth + 1.0, 0.25 * std::min(w, h));
    const double innerW = w - 2.0 * pad, innerH = h - 2.0 * pad;

    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_new_path(cr);

    bool inked = true;
    if (IsDotMark(word)) {
        const double radius = 0.5 * std::min(innerW, innerH);
        cairo_arc(cr, x + 0.5 * w, y + 0.5 * h, radius, 0.0, 2.0 * M_PI);
    } else {
        PangoLayout* layout = CreateTextLayout(cr, word, style.family, REFERENCE_SIZE);
        PangoRectangle ink;
        pango_layout_get_extents(layout, &ink, nullptr);
        if (ink.width <= 0 || ink.height <= 0) {
            inked = false;
        } else {
            const double inkX = static_cast<double>(ink.x) / PANGO_SCALE;
            const double inkY = static_cast<double>(ink.y) / PANGO_SCALE;
            const double inkW = static_cast<double>(ink.width) / PANGO_SCALE;
            const double inkH = static_cast<double>(ink.height) / PANGO_SCALE;
            const double fitX = innerW / inkW, fitY = innerH / inkH;
            const double scaleX = std::min(fitX, fitY * style.maxStretch);
            const double scaleY = std::min(fitY, fitX * style.maxStretch);
            cairo_save(cr);
            cairo_translate(cr, x + 0.5 * w, y + 0.5 * h);
            cairo_scale(cr, scaleX, scaleY);
            cairo_translate(cr, -(inkX + 0.5 * inkW), -(inkY + 0.5 * inkH));
            cairo_move_to(cr, 0.0, 0.0);
            pango_cairo_layout_path(cr, layout);
            cairo_restore(cr);  // the path stays, in device space
        }
        g_object_unref(layout);
    }

    if (inked) {
        PaintHalo(cr, style.halo, haloWidth);
        cairo_set_source_rgba(cr, style.ink.r, style.ink.g, style.ink.b, style.ink.a);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
    return inked;
}

// Shows one centred line of text in its font.
double PaintTextCentred(cairo_t* cr, const char* markup, const char* family, double size,
                        double centreX, double top, const PaintColour& colour)
{
    PangoLayout* layout = CreateTextLayout(cr, markup, family, size);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double width = static_cast<double>(logical.width) / PANGO_SCALE;
    const double height = static_cast<double>(logical.height) / PANGO_SCALE;
    cairo_save(cr);
    cairo_move_to(cr, centreX - 0.5 * width, top);
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
    return height;
}

// Measures one line of text the way PaintTextCentred lays it out.
double MeasureTextWidth(cairo_t* cr, const char* markup, const char* family, double size)
{
    PangoLayout* layout = CreateTextLayout(cr, markup, family, size);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    return static_cast<double>(logical.width) / PANGO_SCALE;
}

// Asks pango which face it would use for family and compares the family names.
bool IsFontInstalled(const char* family)
{
    PangoFontMap* fonts = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(fonts);
    PangoFontDescription* wanted = pango_font_description_from_string(family);
    pango_font_description_set_absolute_size(wanted, 20 * PANGO_SCALE);
    PangoFont* font = pango_font_map_load_font(fonts, context, wanted);
    bool found = false;
    if (font) {
        PangoFontDescription* got = pango_font_describe(font);
        const char* gotFamily = pango_font_description_get_family(got);
        const char* wantedFamily = pango_font_description_get_family(wanted);
        found = gotFamily && wantedFamily && strcasecmp(gotFamily, wantedFamily) == 0;
        pango_font_description_free(got);
        g_object_unref(font);
    }
    pango_font_description_free(wanted);
    g_object_unref(context);
    return found;
}
