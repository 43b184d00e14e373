// The generated pictures: caption sheets transparent outside the rectangles
// of the caption schedule with dark ink in every rectangle, an opaque credits
// image, every picture a PNG that the show's structure check accepts, and
// the title bitmap in the exact form the dialog resource needs.
#include "content/png_check.h"
#include "tests/content_gen/content_test_files.h"
#include "timeline/caption_schedule.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <cstring>

namespace {

// A little-endian 32-bit field of the bitmap file.
uint32_t ReadU32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A little-endian 16-bit field of the bitmap file.
uint16_t ReadU16(const std::vector<unsigned char>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace

TEST(ContentImages, CaptionInkLiesOnlyInsideTheRectangles)
{
    const std::string& dir = GetGeneratedDir();
    ASSERT_FALSE(dir.empty());
    for (int sheet = 0; sheet < CAPTION_SHEET_COUNT; ++sheet) {
        const CaptionSheet& layout = CAPTION_SHEETS[sheet];
        const std::string path = dir + "/" + layout.file;
        cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
        ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS) << path;
        ASSERT_EQ(cairo_image_surface_get_format(image), CAIRO_FORMAT_ARGB32) << path << " has no alpha";
        ASSERT_EQ(cairo_image_surface_get_width(image), 1280);
        ASSERT_EQ(cairo_image_surface_get_height(image), 720);
        const unsigned char* data = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);

        // Which rectangle (if any) covers each pixel; pixel (x, y) covers the
        // layout square from x to x + 1.
        std::vector<int> owner(1280 * 720, -1);
        for (int k = 0; k < layout.pieceCount; ++k) {
            const CaptionPiece& piece = layout.pieces[k];
            for (int y = piece.y1; y < piece.y2; ++y)
                for (int x = piece.x1; x < piece.x2; ++x)
                    owner[y * 1280 + x] = k;
        }
        int strayPixels = 0;
        std::vector<int> darkInk(layout.pieceCount, 0);
        for (int y = 0; y < 720; ++y) {
            for (int x = 0; x < 1280; ++x) {
                uint32_t pixel;
                std::memcpy(&pixel, data + y * stride + x * 4, 4);
                const int alpha = pixel >> 24;
                const int k = owner[y * 1280 + x];
                if (k < 0) {
                    strayPixels += alpha > 8;
                } else if (alpha == 255 && (pixel & 0xFF) < 64 && ((pixel >> 8) & 0xFF) < 64 &&
                           ((pixel >> 16) & 0xFF) < 64) {
                    ++darkInk[k];
                }
            }
        }
        EXPECT_EQ(strayPixels, 0) << path << ": ink outside the rectangles";
        for (int k = 0; k < layout.pieceCount; ++k) {
            const CaptionPiece& piece = layout.pieces[k];
            const int area = (piece.x2 - piece.x1) * (piece.y2 - piece.y1);
            EXPECT_GE(darkInk[k], area / 10) << path << ": rectangle " << k + 1 << " holds too little ink";
        }
        cairo_surface_destroy(image);
    }
}

// The show decodes and uploads all twelve pictures before its first frame
// and keeps two copies of each, so each is stored with the fewest bytes per
// pixel it needs: captions as 8-bit grey + alpha, the credits as 8-bit RGB.
TEST(ContentImages, PicturesUseTheirSmallestColourType)
{
    const std::string& dir = GetGeneratedDir();
    ASSERT_FALSE(dir.empty());
    std::vector<std::pair<std::string, int>> files = { { "data/png/credits.png", 2 } };
    for (const CaptionSheet& sheet : CAPTION_SHEETS)
        files.push_back({ sheet.file, 4 });
    for (const auto& file : files) {
        const std::vector<unsigned char> png = ReadFileBytes(dir + "/" + file.first);
        ASSERT_GT(png.size(), 33u) << file.first;
        // The signature, then the IHDR chunk: width, height, depth, colour type.
        EXPECT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0) << file.first;
        EXPECT_EQ(png[24], 8) << file.first << ": bit depth";
        EXPECT_EQ(png[25], file.second) << file.first << ": colour type";
    }
}

TEST(ContentImages, CreditsImageIsOpaqueAndFull)
{
    const std::string& dir = GetGeneratedDir();
    ASSERT_FALSE(dir.empty());
    cairo_surface_t* image = cairo_image_surface_create_from_png((dir + "/data/png/credits.png").c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_format(image), CAIRO_FORMAT_RGB24) << "credits must carry no alpha";
    EXPECT_EQ(cairo_image_surface_get_width(image), 1280);
    EXPECT_EQ(cairo_image_surface_get_height(image), 720);
    cairo_surface_destroy(image);
}

TEST(ContentImages, EveryPictureIsASoundPng)
{
    const std::string& dir = GetGeneratedDir();
    ASSERT_FALSE(dir.empty());
    int pictures = 0;
    for (const std::string& file : ListVisualFiles()) {
        if (file.size() < 4 || file.compare(file.size() - 4, 4, ".png") != 0)
            continue;
        EXPECT_TRUE(CheckPngFile((dir + "/" + file).c_str())) << file;
        ++pictures;
    }
    EXPECT_EQ(pictures, 12);
}

TEST(ContentImages, TitleBitmapIsUncompressed24BitBottomUp)
{
    const std::string& dir = GetGeneratedDir();
    ASSERT_FALSE(dir.empty());
    const std::vector<unsigned char> bmp = ReadFileBytes(dir + "/resources/title.bmp");
    const size_t pixelBytes = 640 * 3 * 360;
    ASSERT_EQ(bmp.size(), 54 + pixelBytes);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(ReadU32(bmp, 2), bmp.size());          // file size
    EXPECT_EQ(ReadU32(bmp, 6), 0u);                   // reserved
    EXPECT_EQ(ReadU32(bmp, 10), 54u);                 // pixels follow the headers: no colour table
    EXPECT_EQ(ReadU32(bmp, 14), 40u);                 // BITMAPINFOHEADER
    EXPECT_EQ(static_cast<int32_t>(ReadU32(bmp, 18)), 640);
    EXPECT_EQ(static_cast<int32_t>(ReadU32(bmp, 22)), 360);  // positive: bottom-up rows
    EXPECT_EQ(ReadU16(bmp, 26), 1);                   // planes
    EXPECT_EQ(ReadU16(bmp, 28), 24);                  // bits per pixel
    EXPECT_EQ(ReadU32(bmp, 30), 0u);                  // BI_RGB
    EXPECT_EQ(ReadU32(bmp, 34), pixelBytes);
    EXPECT_EQ(ReadU32(bmp, 46), 0u);                  // colours used
    EXPECT_EQ(ReadU32(bmp, 50), 0u);                  // important colours

    // A picture, not a blank: many distinct colours.
    std::vector<bool> seen(1 << 15, false);
    int distinct = 0;
    for (size_t at = 54; at + 2 < bmp.size(); at += 3) {
        const int key = ((bmp[at] >> 3) << 10) | ((bmp[at + 1] >> 3) << 5) | (bmp[at + 2] >> 3);
        if (!seen[key]) {
            seen[key] = true;
            ++distinct;
        }
    }
    EXPECT_GE(distinct, 200);
}
