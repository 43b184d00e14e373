// The PNG structure check on a sound 8 x 8 palette picture and on that
// picture damaged one field at a time: every damage is refused, whatever
// the image library would make of it. Then what a picture may claim, and
// the palette indices of pictures of every bit depth, filter and interlace.
#include "content/png_check.h"
#include "test_content.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <zlib.h>

namespace {

using Chunks = std::vector<TestPngChunk>;

// One file of the table: a change to the sound picture's chunks, or to its
// bytes, and whether the check accepts the result.
struct PngCase {
    const char* name;
    std::function<void(Chunks&)> damageChunks;
    std::function<void(std::string&)> damageBytes;
    bool sound;
};

// Sets IHDR byte i (8 bit depth, 9 colour type, 10 compression, 11 filter,
// 12 interlace; 0..7 width and height) to value.
std::function<void(Chunks&)> SetHeaderByte(int i, uint8_t value)
{
    return [=](Chunks& c) { c[0].data[i] = value; };
}

// Makes the header claim a picture of width x height of another kind; the
// image data stays the 8 x 8 picture's (only a palette image's is read).
std::function<void(Chunks&)> Claim(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType)
{
    return [=](Chunks& c) {
        for (int i = 0; i < 4; ++i) {
            c[0].data[i] = static_cast<uint8_t>(width >> (24 - 8 * i));
            c[0].data[4 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
        }
        c[0].data[8] = bitDepth;
        c[0].data[9] = colourType;
    };
}

// Replaces the file by another palette picture.
std::function<void(Chunks&)> Draw(const PalettePicture& picture)
{
    return [=](Chunks& c) { c = MakePalettePngChunks(picture); };
}

// Replaces the image data's stored deflate blocks by compressed ones (the
// zlib library's), as every encoder writes them.
std::function<void(Chunks&)> Compressed(const PalettePicture& picture)
{
    return [=](Chunks& c) {
        c = MakePalettePngChunks(picture);
        std::vector<uint8_t> raw(c[3].data.size()), packed(compressBound(c[3].data.size()));
        uLongf rawSize = raw.size(), packedSize = packed.size();
        if (uncompress(raw.data(), &rawSize, c[3].data.data(), c[3].data.size()) != Z_OK
            || compress2(packed.data(), &packedSize, raw.data(), rawSize, 9) != Z_OK)
            std::abort();
        packed.resize(packedSize);
        c[3].data = packed;
        c[3].length = static_cast<uint32_t>(packedSize);
    };
}

PalettePicture WithPalette(int paletteSize, uint8_t filter = 0)
{
    PalettePicture picture;
    picture.paletteSize = paletteSize;
    picture.filter = filter;
    return picture;
}

const PngCase PNG_CASES[] = {
    { "sound", nullptr, nullptr, true },
    { "interlaced", [](Chunks& c) { PalettePicture p; p.interlaced = true; c = MakePalettePngChunks(p); },
        nullptr, true },
    { "interlace flag on plain rows", SetHeaderByte(12, 1), nullptr, false },
    { "16-bit grey", [](Chunks& c) { c[0].data[8] = 16; c[0].data[9] = 0; }, nullptr, true },
    { "trailing bytes after IEND", nullptr, [](std::string& b) { b += "junk"; }, true },
    { "ancillary chunk runs past the end", [](Chunks& c) { c[1].length = 14852; }, nullptr, false },
    { "image data runs past the end", [](Chunks& c) { c[3].length += 1; }, nullptr, false },
    { "length over 2^31 - 1", [](Chunks& c) { c[1].length = 0x80000000u; }, nullptr, false },
    { "empty file", nullptr, [](std::string& b) { b.clear(); }, false },
    { "signature only", nullptr, [](std::string& b) { b.resize(8); }, false },
    { "wrong signature", nullptr, [](std::string& b) { b[1] = 'Q'; }, false },
    { "cut in half", nullptr, [](std::string& b) { b.resize(b.size() / 2); }, false },
    { "no IEND", [](Chunks& c) { c.pop_back(); }, nullptr, false },
    { "IEND with data", [](Chunks& c) { c.back().data = { 1 }; c.back().length = 1; }, nullptr, false },
    { "no image data", [](Chunks& c) { c.erase(c.begin() + 3); }, nullptr, false },
    { "palette image without PLTE", [](Chunks& c) { c.erase(c.begin() + 2); }, nullptr, false },
    { "CRC wrong", nullptr, [](std::string& b) { b[b.size() - 13] ^= 1; }, false },
    { "data byte flipped", nullptr, [](std::string& b) { b[60] ^= 0x10; }, false },
    { "chunk type not letters", [](Chunks& c) { c[1].type = "gA1A"; }, nullptr, false },
    { "IHDR not first", [](Chunks& c) { std::swap(c[0], c[1]); }, nullptr, false },
    { "IHDR twice", [](Chunks& c) { c.insert(c.begin() + 1, c[0]); }, nullptr, false },
    { "IHDR too short", [](Chunks& c) { c[0].data.pop_back(); c[0].length = 12; }, nullptr, false },
    { "width 0", SetHeaderByte(3, 0), nullptr, false },
    { "height over the largest side", [](Chunks& c) { c[0].data[5] = 0x40; c[0].data[7] = 1; }, nullptr, false },
    { "16-bit palette", SetHeaderByte(8, 16), nullptr, false },
    { "bit depth 3", SetHeaderByte(8, 3), nullptr, false },
    { "colour type 5", SetHeaderByte(9, 5), nullptr, false },
    { "compression method 1", SetHeaderByte(10, 1), nullptr, false },
    { "filter method 1", SetHeaderByte(11, 1), nullptr, false },
    { "interlace method 2", SetHeaderByte(12, 2), nullptr, false },
    // What a picture may claim: its sides, and its pixels in all.
    { "16384 x 16384 palette, 1-bit", Claim(16384, 16384, 1, 3), nullptr, false },
    { "16384 x 16384 grey, 1-bit", Claim(16384, 16384, 1, 0), nullptr, false },
    { "4096 x 8 grey", Claim(4096, 8, 8, 0), nullptr, true },
    { "4097 x 8 grey", Claim(4097, 8, 8, 0), nullptr, false },
    { "8 x 4097 grey", Claim(8, 4097, 8, 0), nullptr, false },
    { "1920 x 1080 RGBA", Claim(1920, 1080, 8, 6), nullptr, true },
    { "1921 x 1080 grey", Claim(1921, 1080, 8, 0), nullptr, false },
    { "1280 x 810 RGBA, 16-bit", Claim(1280, 810, 16, 6), nullptr, true },
    { "1280 x 811 RGBA, 16-bit", Claim(1280, 811, 16, 6), nullptr, false },
    { "1440 x 1440 RGB, 16-bit", Claim(1440, 1440, 16, 2), nullptr, false },
    { "1024 x 1024 grey + alpha, 16-bit", Claim(1024, 1024, 16, 4), nullptr, true },
    { "4096 x 4096 RGBA, 16-bit", Claim(4096, 4096, 16, 6), nullptr, false },
    // A palette image's data, read to its indices.
    { "indices past a 2-entry palette", Draw(WithPalette(2)), nullptr, false },
    { "indices past the palette, Paeth rows", Draw(WithPalette(14, 4)), nullptr, false },
    { "indices within the palette, Paeth rows", Draw(WithPalette(15, 4)), nullptr, true },
    { "unknown filter type", Draw(WithPalette(25, 5)), nullptr, false },
    { "compressed image data", Compressed(WithPalette(15, 1)), nullptr, true },
    { "compressed image data, indices past the palette", Compressed(WithPalette(14, 1)), nullptr, false },
    { "image data one row short", SetHeaderByte(7, 9), nullptr, false },
    { "image data one row long", SetHeaderByte(7, 7), nullptr, false },
    { "PLTE of 257 entries", Draw(WithPalette(257)), nullptr, false },
    { "PLTE length not a multiple of 3", [](Chunks& c) { c[2].data.pop_back(); --c[2].length; }, nullptr, false },
    { "PLTE twice", [](Chunks& c) { c.insert(c.begin() + 2, c[2]); }, nullptr, false },
    { "image data not zlib", [](Chunks& c) { c[3].data[0] = 0x79; }, nullptr, false },
};

TEST(PngCheck, RefusesEveryDamageOfASoundPicture)
{
    const std::string dir = MakeTestDirectory();
    const std::string path = dir + "/picture.png";
    for (const PngCase& c : PNG_CASES) {
        Chunks chunks = MakePalettePngChunks();
        if (c.damageChunks)
            c.damageChunks(chunks);
        std::string bytes = JoinPngChunks(chunks);
        if (c.damageBytes)
            c.damageBytes(bytes);
        ASSERT_TRUE(WriteTestFile(path, bytes));
        EXPECT_EQ(CheckPngFile(path.c_str()), c.sound) << c.name;
    }
    EXPECT_EQ(MakeOverrunPng().size(), 243u);
    EXPECT_FALSE(CheckPngFile((dir + "/missing.png").c_str()));

    RemoveTestDirectory(dir);
}

// Every bit depth, filter type and interlace: a picture whose indices all
// lie in its palette passes; the same picture with its last pixel one past
// the palette does not. The indices vary, so each filter changes the bytes.
TEST(PngCheck, ReadsEveryPixelIndexThroughItsFilter)
{
    const std::string dir = MakeTestDirectory();
    const std::string path = dir + "/picture.png";
    static int s_paletteSize = 0;
    static int s_badValue = -1;
    for (int bitDepth : { 1, 2, 4, 8 }) {
        for (uint8_t filter = 0; filter <= 4; ++filter) {
            for (bool interlaced : { false, true }) {
                PalettePicture picture;
                picture.width = 13;
                picture.height = 11;
                picture.bitDepth = bitDepth;
                picture.paletteSize = s_paletteSize = bitDepth == 8 ? 200 : (1 << bitDepth) - 1;
                picture.interlaced = interlaced;
                picture.filter = filter;
                picture.index = [](int x, int y) {
                    return x == 12 && y == 10 && s_badValue >= 0 ? s_badValue : (x * 7 + y * 3) % s_paletteSize;
                };
                for (int bad : { -1, s_paletteSize }) {
                    s_badValue = bad;
                    ASSERT_TRUE(WriteTestFile(path, JoinPngChunks(MakePalettePngChunks(picture))));
                    EXPECT_EQ(CheckPngFile(path.c_str()), bad < 0)
                        << bitDepth << "-bit, filter " << int(filter) << (interlaced ? ", Adam7" : "")
                        << (bad < 0 ? "" : ", last pixel past the palette");
                }
            }
        }
    }
    RemoveTestDirectory(dir);
}

}  // namespace
