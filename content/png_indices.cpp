// The palette check (see png_indices.h): inflates the image data into one
// buffer of the exact raw size (the caller has bounded the pixels, so this is
// at most a few megabytes), undoes each row's filter and reads the indices.
#include "content/png_indices.h"

#include "content/zlib_inflate.h"

#include <cstdlib>
#include <vector>

namespace {

// One interlace pass: its first pixel and its steps across and down.
struct PngPass {
    uint32_t x0, y0, dx, dy;
};

const PngPass WHOLE_IMAGE[1] = { { 0, 0, 1, 1 } };
const PngPass ADAM7_PASSES[7] = {
    { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 }, { 2, 0, 4, 4 }, { 0, 2, 2, 4 }, { 1, 0, 2, 2 }, { 0, 1, 1, 2 },
};

// The pixels a pass takes along a side of size pixels.
uint32_t CountPassPixels(uint32_t size, uint32_t start, uint32_t step)
{
    return size > start ? (size - start + step - 1) / step : 0;
}

// The passes of the image's interlace method, through count.
const PngPass* GetPasses(const PngLayout& layout, int* count)
{
    *count = layout.interlace ? 7 : 1;
    return layout.interlace ? ADAM7_PASSES : WHOLE_IMAGE;
}

// Bytes of one row of width pixels, without its filter byte.
size_t GetRowBytes(const PngLayout& layout, uint32_t width)
{
    return (static_cast<size_t>(width) * layout.bitDepth + 7) / 8;
}

// The Paeth predictor of the PNG filters.
uint8_t PredictPaeth(int left, int up, int upLeft)
{
    const int p = left + up - upLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
    if (pa <= pb && pa <= pc)
        return static_cast<uint8_t>(left);
    return static_cast<uint8_t>(pb <= pc ? up : upLeft);
}

// Undoes a row's filter in place; prior is the row above, unfiltered (zeros
// for a pass's first row). Palette pixels filter byte by byte. False for an
// unknown filter type.
bool UnfilterRow(uint8_t filter, uint8_t* row, const uint8_t* prior, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const int left = i > 0 ? row[i - 1] : 0;
        const int upLeft = i > 0 ? prior[i - 1] : 0;
        switch (filter) {
        case 0: break;
        case 1: row[i] = static_cast<uint8_t>(row[i] + left); break;
        case 2: row[i] = static_cast<uint8_t>(row[i] + prior[i]); break;
        case 3: row[i] = static_cast<uint8_t>(row[i] + (left + prior[i]) / 2); break;
        case 4: row[i] = static_cast<uint8_t>(row[i] + PredictPaeth(left, prior[i], upLeft)); break;
        default: return false;
        }
    }
    return true;
}

// True when each of the row's width indices is below paletteSize.
bool AreIndicesInPalette(const uint8_t* row, uint32_t width, uint8_t bitDepth, uint32_t paletteSize)
{
    const uint32_t perByte = 8u / bitDepth;
    const unsigned mask = (1u << bitDepth) - 1u;
    for (uint32_t x = 0; x < width; ++x) {
        const unsigned shift = 8u - bitDepth * (x % perByte + 1u);
        if (((row[x / perByte] >> shift) & mask) >= paletteSize)
            return false;
    }
    return true;
}

}  // namespace

size_t GetPngRawSize(const PngLayout& layout)
{
    int count = 0;
    const PngPass* passes = GetPasses(layout, &count);
    size_t size = 0;
    for (int p = 0; p < count; ++p) {
        const uint32_t width = CountPassPixels(layout.width, passes[p].x0, passes[p].dx);
        const uint32_t height = CountPassPixels(layout.height, passes[p].y0, passes[p].dy);
        if (width > 0)
            size += height * (1 + GetRowBytes(layout, width));
    }
    return size;
}

bool CheckPaletteIndices(const PngLayout& layout, const uint8_t* imageData, size_t imageDataSize,
    uint32_t paletteSize)
{
    std::vector<uint8_t> raw(GetPngRawSize(layout));
    if (!InflateZlib(imageData, imageDataSize, raw.data(), raw.size()))
        return false;
    int count = 0;
    const PngPass* passes = GetPasses(layout, &count);
    uint8_t* row = raw.data();
    for (int p = 0; p < count; ++p) {
        const uint32_t width = CountPassPixels(layout.width, passes[p].x0, passes[p].dx);
        const uint32_t height = CountPassPixels(layout.height, passes[p].y0, passes[p].dy);
        if (width == 0)
            continue;  // an empty pass has no rows, not even filter bytes
        const size_t rowBytes = GetRowBytes(layout, width);
        const std::vector<uint8_t> zeros(rowBytes, 0);
        const uint8_t* prior = zeros.data();
        for (uint32_t y = 0; y < height; ++y) {
            if (!UnfilterRow(row[0], row + 1, prior, rowBytes)
                || !AreIndicesInPalette(row + 1, width, layout.bitDepth, paletteSize))
                return false;
            prior = row + 1;
            row += 1 + rowBytes;
        }
    }
    return true;
}
