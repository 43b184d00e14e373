// The PNG structure check on a sound 8 x 8 palette picture and on that
// picture damaged one field at a time: every damage is refused, whatever
// the image library would make of it.
#include "content/png_check.h"
#include "test_content.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

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

const PngCase PNG_CASES[] = {
    { "sound", nullptr, nullptr, true },
    { "interlaced", SetHeaderByte(12, 1), nullptr, true },
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

}  // namespace
