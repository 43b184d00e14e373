// The generator's PNG writer (see png_writer.h), on libpng.
//
// Every row is stored unfiltered and deflated at zlib level 3. Measured on
// the show's pictures with DevIL's loader, these inflate two to three times
// faster than libpng's defaults (adaptive filters, level 6): the "Paeth" and
// "average" filters cost a pass of arithmetic per byte, and zlib's levels 1
// to 3 (its fast matcher) leave streams that inflate faster than levels 4 to
// 9 here. The files stay about as small: caption sheets are mostly empty
// rows, and the credits picture's soft fade runs down its columns, so whole
// rows repeat the row above and deflate finds them unfiltered.
#include "tools/content/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

static const int PNG_ZLIB_LEVEL = 3;

// Fills row (width pixels of the file's colour type) from one surface row.
typedef void (*FillPngRow)(const unsigned char* in, int width, unsigned char* row);

// Straight grey and alpha from premultiplied ARGB32 pixels, rounded as
// cairo's own PNG writer rounds.
static void FillGreyAlphaRow(const unsigned char* in, int width, unsigned char* row)
{
    for (int x = 0; x < width; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, in + 4 * x, 4);
        const uint32_t a = pixel >> 24, r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        // Rec. 709 weights in 1/256ths; r = g = b gives that grey exactly.
        const uint32_t grey = (54 * r + 183 * g + 19 * b + 128) >> 8;
        row[2 * x] = static_cast<unsigned char>(a == 0 ? 0 : (grey * 255 + a / 2) / a);
        row[2 * x + 1] = static_cast<unsigned char>(a);
    }
}

// RGB from RGB24 pixels (the unused byte dropped).
static void FillRgbRow(const unsigned char* in, int width, unsigned char* row)
{
    for (int x = 0; x < width; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, in + 4 * x, 4);
        row[3 * x] = static_cast<unsigned char>(pixel >> 16);
        row[3 * x + 1] = static_cast<unsigned char>(pixel >> 8);
        row[3 * x + 2] = static_cast<unsigned char>(pixel);
    }
}

// Straight RGBA from premultiplied ARGB32 pixels.
static void FillRgbaRow(const unsigned char* in, int width, unsigned char* row)
{
    for (int x = 0; x < width; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, in + 4 * x, 4);
        const uint32_t a = pixel >> 24;
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = (pixel >> (16 - 8 * c)) & 0xFF;
            row[4 * x + c] = static_cast<unsigned char>(a == 0 ? 0 : (v * 255 + a / 2) / a);
        }
        row[4 * x + 3] = static_cast<unsigned char>(a);
    }
}

// Writes surface to path as colour type colourType, rows filled by fill.
static bool WritePng(const char* path, cairo_surface_t* surface, int colourType, int channels, FillPngRow fill)
{
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data)
        return false;
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<unsigned char> row(static_cast<size_t>(width) * channels);
    bool written = false;
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
            PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level(png, PNG_ZLIB_LEVEL);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            fill(data + static_cast<size_t>(y) * stride, width, row.data());
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && written;
}

bool WriteGreyAlphaPng(const char* path, cairo_surface_t* surface)
{
    return WritePng(path, surface, PNG_COLOR_TYPE_GRAY_ALPHA, 2, FillGreyAlphaRow);
}

bool WriteRgbPng(const char* path, cairo_surface_t* surface)
{
    return WritePng(path, surface, PNG_COLOR_TYPE_RGB, 3, FillRgbRow);
}

bool WriteRgbaPng(const char* path, cairo_surface_t* surface)
{
    return WritePng(path, surface, PNG_COLOR_TYPE_RGB_ALPHA, 4, FillRgbaRow);
}
