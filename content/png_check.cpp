// The PNG structure check (see png_check.h). It walks the chunks with a
// small fixed buffer, so a file of any size costs one read and no more
// memory than the buffer; it runs once per image, at load. Only a palette
// image's data is kept, to check its indices once the walk has ended.
#include "content/png_check.h"

#include "content/png_indices.h"
#include "platform/regular_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const unsigned char PNG_SIGNATURE[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
// A chunk's length field, type, and CRC take 12 bytes around its data.
const int64_t CHUNK_FRAME_SIZE = 12;
const uint32_t MAX_CHUNK_LENGTH = 0x7FFFFFFFu;
const uint32_t IHDR_LENGTH = 13;
const unsigned char PALETTE_COLOUR_TYPE = 3;

// The CRC32 of PNG (and zlib): reflected polynomial 0xEDB88320.
struct CrcTable {
    uint32_t entries[256];
};

constexpr CrcTable MakeCrcTable()
{
    CrcTable table = {};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table.entries[n] = c;
    }
    return table;
}

constexpr CrcTable CRC_TABLE = MakeCrcTable();

// Runs the CRC register over count more bytes.
uint32_t UpdateCrc(uint32_t crc, const unsigned char* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        crc = CRC_TABLE.entries[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint32_t ReadBig32(const unsigned char* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16)
        | (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Chunk types are four ASCII letters.
bool IsChunkType(const unsigned char* type)
{
    for (int i = 0; i < 4; ++i) {
        const unsigned char c = type[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

// True when a bit depth goes with a colour type.
bool IsDepthOfColourType(unsigned char depth, unsigned char colourType)
{
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;  // grey
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;                // palette
    case 2: case 4: case 6: return depth == 8 || depth == 16;  // RGB, grey + alpha, RGBA
    default: return false;
    }
}

// Bytes a decoded pixel takes: samples below 8 bits are widened to 8, and a
// palette pixel becomes RGBA when it is turned into a texture.
uint32_t GetDecodedPixelBytes(unsigned char depth, unsigned char colourType)
{
    const uint32_t sampleBytes = depth == 16 ? 2 : 1;
    switch (colourType) {
    case 0: return sampleBytes;      // grey
    case 2: return 3 * sampleBytes;  // RGB
    case 4: return 2 * sampleBytes;  // grey + alpha
    default: return 4 * sampleBytes; // palette, RGBA
    }
}

// The 13 bytes of IHDR: width, height, bit depth, colour type, compression,
// filter and interlace methods.
bool IsIhdrSane(const unsigned char* ihdr)
{
    const uint32_t width = ReadBig32(ihdr);
    const uint32_t height = ReadBig32(ihdr + 4);
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    return width >= 1 && width <= PNG_MAX_SIDE && height >= 1 && height <= PNG_MAX_SIDE
        && IsDepthOfColourType(ihdr[8], ihdr[9]) && pixels <= PNG_MAX_PIXELS
        && pixels * GetDecodedPixelBytes(ihdr[8], ihdr[9]) <= PNG_MAX_DECODED_BYTES
        && ihdr[10] == 0 && ihdr[11] == 0 && ihdr[12] <= 1;
}

// What the walk has learnt so far.
struct PngWalk {
    PngLayout layout;
    uint32_t paletteSize;             // PLTE entries; 0 before PLTE
    size_t imageDataLimit;            // the most image data a palette image may keep
    std::vector<uint8_t> imageData;   // a palette image's IDAT data, joined
};

// Reads a chunk's data of length bytes through the CRC register and keeps
// its first bytes in head (headSize of them at most) and, given a keep, all
// of them at its end. False on a short read.
bool ReadChunkData(FILE* file, uint32_t length, uint32_t* crc, unsigned char* head, size_t headSize,
    std::vector<uint8_t>* keep)
{
    unsigned char buffer[4096];
    size_t done = 0;
    while (done < length) {
        const size_t want = length - done < sizeof buffer ? length - done : sizeof buffer;
        if (std::fread(buffer, 1, want, file) != want)
            return false;
        *crc = UpdateCrc(*crc, buffer, want);
        if (done < headSize)
            std::memcpy(head + done, buffer, want < headSize - done ? want : headSize - done);
        if (keep)
            keep->insert(keep->end(), buffer, buffer + want);
        done += want;
    }
    return true;
}

// Walks the chunks after the signature; remaining is what the file holds
// after it.
bool CheckPngChunks(FILE* file, int64_t remaining, PngWalk* walk)
{
    bool first = true, palette = false, sawImageData = false;
    for (;;) {
        unsigned char frame[8];
        if (remaining < CHUNK_FRAME_SIZE || std::fread(frame, 1, 8, file) != 8)
            return false;  // the file ends before IEND
        const uint32_t length = ReadBig32(frame);
        const unsigned char* type = frame + 4;
        if (length > MAX_CHUNK_LENGTH || static_cast<int64_t>(length) > remaining - CHUNK_FRAME_SIZE
            || !IsChunkType(type))
            return false;

        const bool isImageData = std::memcmp(type, "IDAT", 4) == 0;
        if (isImageData && palette
            && (walk->paletteSize == 0 || length > walk->imageDataLimit - walk->imageData.size()))
            return false;  // no palette yet, or more data than any encoder makes of this image
        unsigned char head[IHDR_LENGTH] = {};
        uint32_t crc = UpdateCrc(0xFFFFFFFFu, type, 4);
        unsigned char stored[4];
        if (!ReadChunkData(file, length, &crc, head, sizeof head, isImageData && palette ? &walk->imageData : nullptr)
            || std::fread(stored, 1, 4, file) != 4 || (crc ^ 0xFFFFFFFFu) != ReadBig32(stored))
            return false;
        remaining -= CHUNK_FRAME_SIZE + static_cast<int64_t>(length);

        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (first != isHeader)
            return false;  // IHDR comes first, and only once
        if (isHeader) {
            if (length != IHDR_LENGTH || !IsIhdrSane(head))
                return false;
            walk->layout = { ReadBig32(head), ReadBig32(head + 4), head[8], head[9], head[12] };
            palette = head[9] == PALETTE_COLOUR_TYPE;
            // Deflate adds at most 5 bytes per 64 KB stored block to the raw
            // rows; twice their size is more than any encoder writes.
            walk->imageDataLimit = 2 * GetPngRawSize(walk->layout) + 1024;
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (palette && (length == 0 || length % 3 != 0 || length > 3 * 256 || walk->paletteSize != 0))
                return false;
            walk->paletteSize = length / 3;
        } else if (isImageData) {
            sawImageData = true;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return length == 0 && sawImageData
                && (!palette
                    || CheckPaletteIndices(walk->layout, walk->imageData.data(), walk->imageData.size(),
                        walk->paletteSize));
        }
        first = false;
    }
}

}  // namespace

bool CheckPngFile(const char* path)
{
    int64_t size = 0;
    FILE* file = OpenRegularFile(path, &size);
    if (!file)
        return false;
    unsigned char signature[sizeof PNG_SIGNATURE];
    PngWalk walk = {};
    // Only the bytes the file held when it was opened are read.
    const bool sound = size >= static_cast<int64_t>(sizeof signature)
        && std::fread(signature, 1, sizeof signature, file) == sizeof signature
        && std::memcmp(signature, PNG_SIGNATURE, sizeof signature) == 0
        && CheckPngChunks(file, size - static_cast<int64_t>(sizeof signature), &walk);
    std::fclose(file);
    return sound;
}
