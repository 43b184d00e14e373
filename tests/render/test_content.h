// Test content made by the tests themselves: text and PNG files, a temporary
// working directory, and a complete small "data/" tree for InitShow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes text to path as it is (no line-end translation). True on success.
bool WriteTestFile(const std::string& path, const std::string& text);

// Writes an RGBA image of width x height as an 8-bit PNG. rgba holds the rows
// top row first, 4 bytes a pixel. True on success.
bool WriteTestPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

// One PNG chunk: its type, its data, and the length its header claims
// (normally the data's size).
struct TestPngChunk {
    std::string type;
    std::vector<uint8_t> data;
    uint32_t length;
};

// A palette picture to write: its size, bit depth (1, 2, 4 or 8), palette
// entries, interlace, the filter type of every row, and the index of each
// pixel (which may lie past the palette).
struct PalettePicture {
    int width = 8;
    int height = 8;
    int bitDepth = 8;
    int paletteSize = 25;
    bool interlaced = false;
    uint8_t filter = 0;  // 0 none, 1 sub, 2 up, 3 average, 4 Paeth, more: unknown
    int (*index)(int x, int y) = [](int x, int y) { return (x + y) % 25; };
};

// The chunks of a palette picture, in file order: IHDR, gAMA, PLTE, IDAT,
// IEND; by default an 8 x 8 picture of 25 colours.
std::vector<TestPngChunk> MakePalettePngChunks(const PalettePicture& picture = PalettePicture());

// A PNG file: the signature, then each chunk with its length field and a
// CRC32 over its type and data.
std::string JoinPngChunks(const std::vector<TestPngChunk>& chunks);

// The 243-byte palette picture above with its gAMA chunk claiming 14,852
// bytes, so that it runs past the end of the file: DevIL spins on such a
// file for minutes.
std::string MakeOverrunPng();

// The 8 x 8 palette picture above, its header claiming width x height of
// the given bit depth and colour type: what a picture bomb looks like.
std::string MakeClaimingPng(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType);

// A palette picture whose indices run past its palette of two entries.
std::string MakeIndexPastPalettePng();

// An OBJ text of size bytes, all three-byte face lines "f " (one line end
// short of a line at most at its end): the most mesh a file of that size
// can hold.
std::string MakeFaceLinesObj(int64_t size);

// An RGBA picture of width x height whose top half is top and bottom half
// bottom (colours as 0xRRGGBBAA).
std::vector<uint8_t> MakeTwoBandPicture(int width, int height, uint32_t top, uint32_t bottom);

// Creates a fresh empty directory under the system's temporary directory.
std::string MakeTestDirectory();

// Removes a directory made by MakeTestDirectory, with all it holds.
void RemoveTestDirectory(const std::string& dir);

// Makes dir the working directory until the object is destroyed.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::string& dir);
    ~ScopedWorkingDirectory();
private:
    std::string previous_;
};

// The colours of the show content written by WriteShowContent: each caption
// picture's top half has its slot's own opaque colour (slot 0 red), its
// bottom half is blue.
uint32_t GetCaptionTopColour(int slot);
constexpr uint32_t CAPTION_BOTTOM_COLOUR = 0x0000FFFFu;  // blue, opaque
constexpr uint32_t CREDITS_COLOUR = 0x00FF00FFu;         // green, opaque

// Writes a complete small show under dir/data: two sphere halves, a tunnel
// ring (a flat disk of radius 1), four knots (octahedra of radius 0.5), eleven
// caption images (each at the file its caption sheet names, in the colours
// above) and a green credits image.
void WriteShowContent(const std::string& dir);
