// The palette check of the PNG structure check: every pixel of a palette
// image must name an entry of its palette. Some image libraries look an
// index up without comparing it with the palette's size and so read past
// the palette's memory; a file with such an index is refused before they
// see it.
#pragma once

#include <cstddef>
#include <cstdint>

// The fields of IHDR that lay out the image data.
struct PngLayout {
    uint32_t width;
    uint32_t height;
    uint8_t bitDepth;
    uint8_t colourType;
    uint8_t interlace;  // 0 none, 1 Adam7
};

// Bytes of the image data once inflated: every row of every interlace pass
// with its filter byte. Width and height must be at most 2^24.
size_t GetPngRawSize(const PngLayout& layout);

// True when the zlib stream of a palette image's concatenated IDAT data
// inflates to exactly its raw size, every row has a known filter type, and
// every pixel's index is below paletteSize.
bool CheckPaletteIndices(const PngLayout& layout, const uint8_t* imageData, size_t imageDataSize,
    uint32_t paletteSize);
