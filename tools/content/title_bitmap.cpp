// The title picture of the setup dialog (see content_images.h), painted with
// cairo and written as the plainest bitmap Windows resources take: headers of
// 14 and 40 bytes, then 24-bit rows from the bottom up, no colour table, no
// compression.
#include "tools/content/content_images.h"
#include "tools/content/motif_paint.h"
#include "tools/content/text_paint.h"

#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

static const int TITLE_WIDTH = 640;
static const int TITLE_HEIGHT = 360;

// Paints the title picture: a deep teal ground, the ring tunnel opening in
// the middle, the show's name and its author.
static void PaintTitlePicture(cairo_t* cr)
{
    PaintTitleGround(cr, 320.0, 180.0, 20.0, 380.0);

    PaintTunnelMotif(cr, 320.0, 180.0, 560.0, 50, 0.55);

    // A dark veil behind the letters so the name reads over the rings.
    PaintTitleVeil(cr, 320.0, 175.0, 10.0, 260.0, 0.75);

    SetQuietFontOptions(cr);
    const PaintColour shadow = { 0.0, 0.0, 0.0, 0.55 };
    const PaintColour white = { 1.0, 1.0, 1.0, 1.0 };
    const PaintColour orange = { 0.98, 0.74, 0.36, 1.0 };
    PaintTextCentred(cr, "Halvane", "DejaVu Sans Bold", 92.0, 323.0, 104.0, shadow);
    PaintTextCentred(cr, "Halvane", "DejaVu Sans Bold", 92.0, 320.0, 100.0, white);
    PaintTextCentred(cr, "by Varnek", "DejaVu Sans Bold", 28.0, 320.0, 214.0, orange);

    PaintKnotMotif(cr, 566.0, 296.0, 44.0, 2, 3);
}

// Appends a little-endian 16-bit field.
static void PutU16(std::vector<uint8_t>* out, uint32_t value)
{
    out->push_back(value & 0xFF);
    out->push_back((value >> 8) & 0xFF);
}

// Appends a little-endian 32-bit field.
static void PutU32(std::vector<uint8_t>* out, uint32_t value)
{
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

// Paints the title picture and writes it with both bitmap headers.
bool WriteTitleBitmap(const char* path)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, TITLE_WIDTH, TITLE_HEIGHT);
    cairo_t* cr = cairo_create(surface);
    PaintTitlePicture(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);

    const uint32_t rowBytes = TITLE_WIDTH * 3;  // 1920: already a multiple of 4
    const uint32_t pixelBytes = rowBytes * TITLE_HEIGHT;
    std::vector<uint8_t> file;
    file.reserve(54 + pixelBytes);
    file.push_back('B');
    file.push_back('M');
    PutU32(&file, 54 + pixelBytes);  // file size
    PutU32(&file, 0);                // reserved
    PutU32(&file, 54);               // offset of the pixels
    PutU32(&file, 40);               // BITMAPINFOHEADER
    PutU32(&file, TITLE_WIDTH);
    PutU32(&file, TITLE_HEIGHT);     // positive: bottom-up
    PutU16(&file, 1);                // planes
    PutU16(&file, 24);               // bits per pixel
    PutU32(&file, 0);                // BI_RGB
    PutU32(&file, pixelBytes);
    PutU32(&file, 2835);             // 72 dots per inch, both ways
    PutU32(&file, 2835);
    PutU32(&file, 0);                // colours used
    PutU32(&file, 0);                // important colours

    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = TITLE_HEIGHT - 1; y >= 0; --y) {
        for (int x = 0; x < TITLE_WIDTH; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, data + y * stride + x * 4, 4);
            file.push_back(pixel & 0xFF);          // blue
            file.push_back((pixel >> 8) & 0xFF);   // green
            file.push_back((pixel >> 16) & 0xFF);  // red
        }
    }
    cairo_surface_destroy(surface);

    FILE* out = std::fopen(path, "wb");
    bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out)
        written &= std::fclose(out) == 0;
    if (!written)
        std::fprintf(stderr, "halvane-content: cannot write %s\n", path);
    return written;
}
