// Readback conversion, PNG files and the contact sheet (see capture_image.h).
// PNG encoding is stb_image_write's; the label font is stb_easy_font's, whose
// quads are filled here straight into the pixels.
#include "tools/capture/capture_image.h"

#include <cassert>
#include <cstdio>
#include <cstring>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#include <stb/stb_easy_font.h>

// Space around thumbnails and the height of the label strip, in sheet pixels.
static const int SHEET_MARGIN = 8;
static const int LABEL_SCALE = 2;
static const int LABEL_HEIGHT = 8 * LABEL_SCALE;

void ResizeRgbImage(RgbImage* image, int width, int height, uint8_t r, uint8_t g, uint8_t b)
{
    image->width = width;
    image->height = height;
    image->pixels.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < image->pixels.size(); i += 3) {
        image->pixels[i] = r;
        image->pixels[i + 1] = g;
        image->pixels[i + 2] = b;
    }
}

void ConvertReadbackToRgb(const uint8_t* rgba, RgbImage* image)
{
    const int w = image->width, h = image->height;
    assert(image->pixels.size() == static_cast<size_t>(w) * h * 3);
    for (int row = 0; row < h; ++row) {
        const uint8_t* in = rgba + static_cast<size_t>(h - 1 - row) * w * 4;
        uint8_t* out = image->pixels.data() + static_cast<size_t>(row) * w * 3;
        for (int x = 0; x < w; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}

bool WritePngFile(const std::string& path, const RgbImage& image)
{
    if (!stbi_write_png(path.c_str(), image.width, image.height, 3, image.pixels.data(), image.width * 3)) {
        std::fprintf(stderr, "halvane-capture: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

void PasteShrunkImage(const RgbImage& source, int factor, RgbImage* target, int x, int y)
{
    assert(factor >= 1);
    const int w = source.width / factor, h = source.height / factor;
    const int area = factor * factor;
    for (int ty = 0; ty < h; ++ty) {
        if (y + ty < 0 || y + ty >= target->height)
            continue;
        for (int tx = 0; tx < w; ++tx) {
            if (x + tx < 0 || x + tx >= target->width)
                continue;
            int sum[3] = { 0, 0, 0 };
            for (int dy = 0; dy < factor; ++dy) {
                const uint8_t* p = source.pixels.data()
                    + (static_cast<size_t>(ty * factor + dy) * source.width + tx * factor) * 3;
                for (int dx = 0; dx < factor; ++dx, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            uint8_t* out = target->pixels.data() + (static_cast<size_t>(y + ty) * target->width + x + tx) * 3;
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<uint8_t>((sum[c] + area / 2) / area);
        }
    }
}

// Fills the rectangle [x0, x1) x [y0, y1) with one colour, clipped to image.
static void FillImageRect(RgbImage* image, int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b)
{
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > image->width) x1 = image->width;
    if (y1 > image->height) y1 = image->height;
    for (int y = y0; y < y1; ++y) {
        uint8_t* p = image->pixels.data() + (static_cast<size_t>(y) * image->width + x0) * 3;
        for (int x = x0; x < x1; ++x, p += 3) {
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
}

// One vertex of stb_easy_font's output: position, unused depth, colour.
struct EasyFontVertex {
    float x, y, z;
    unsigned char colour[4];
};

int MeasureImageText(const char* text, int scale)
{
    char copy[64];
    std::snprintf(copy, sizeof copy, "%s", text);
    return stb_easy_font_width(copy) * scale;
}

void DrawImageText(RgbImage* image, int x, int y, int scale, const char* text,
    uint8_t r, uint8_t g, uint8_t b)
{
    // The font's quads are axis-aligned rectangles on its pixel grid; labels
    // are short, so a fixed buffer holds every quad.
    static EasyFontVertex vertices[4 * 1024];
    char copy[64];
    std::snprintf(copy, sizeof copy, "%s", text);
    int quads = stb_easy_font_print(0.0f, 0.0f, copy, nullptr, vertices, sizeof vertices);
    for (int q = 0; q < quads; ++q) {
        const EasyFontVertex* v = &vertices[q * 4];
        int x0 = static_cast<int>(v[0].x), y0 = static_cast<int>(v[0].y);
        int x1 = static_cast<int>(v[2].x), y1 = static_cast<int>(v[2].y);
        FillImageRect(image, x + x0 * scale, y + y0 * scale, x + x1 * scale, y + y1 * scale, r, g, b);
    }
}

void StartContactSheet(ContactSheet* sheet, int frameWidth, int frameHeight, int count)
{
    assert(count > 0);
    sheet->factor = 4;
    sheet->columns = 6;
    sheet->cellWidth = frameWidth / sheet->factor + SHEET_MARGIN;
    sheet->cellHeight = frameHeight / sheet->factor + LABEL_HEIGHT + 2 * SHEET_MARGIN;
    int rows = (count + sheet->columns - 1) / sheet->columns;
    // A dark background, so the show's white frames stand out as cells.
    ResizeRgbImage(&sheet->image, sheet->columns * sheet->cellWidth + SHEET_MARGIN,
        rows * sheet->cellHeight + SHEET_MARGIN, 40, 40, 40);
}

void AddSheetThumbnail(ContactSheet* sheet, int index, const RgbImage& frame, float demoTime)
{
    int x = SHEET_MARGIN + (index % sheet->columns) * sheet->cellWidth;
    int y = SHEET_MARGIN + (index / sheet->columns) * sheet->cellHeight;
    PasteShrunkImage(frame, sheet->factor, &sheet->image, x, y);
    char label[32];
    std::snprintf(label, sizeof label, "%.2f s", demoTime);
    DrawImageText(&sheet->image, x, y + frame.height / sheet->factor + SHEET_MARGIN / 2, LABEL_SCALE,
        label, 230, 230, 230);
}
