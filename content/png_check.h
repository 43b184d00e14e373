// The structure check a PNG file passes before the image library sees it.
// A damaged file can make the library's decoder read past the end of the
// file for minutes; the check reads the file once, in small pieces, and
// refuses such a file before it gets that far.
#pragma once

#include <cstdint>

// What a picture may claim, checked before anything is decoded: the image
// library sizes its memory by the header alone, so a 32 KB file claiming
// 16384 x 16384 pixels costs gigabytes. The show's pictures are 1280 x 720
// (0.9 million pixels). A side may be up to 4096, a texture size every GL
// the show is meant for takes and 3.2 times the show's widest, and the
// pixels up to 2560 x 1440, four times the show's: decoded as 16-bit RGBA,
// with the library's copies and the texture, about 80 MB at most.
enum : uint32_t {
    PNG_MAX_SIDE = 4096,
    PNG_MAX_PIXELS = 2560 * 1440
};

// True when the file at path is a regular file holding a whole PNG: the
// signature, then chunks whose lengths lie within the file and whose CRC32s
// match, IHDR first with sane fields (sides of at most PNG_MAX_SIDE, at most
// PNG_MAX_PIXELS pixels, bit depth and colour type that
// go together, known compression, filter and interlace methods), at least
// one IDAT, and IEND. A palette image needs a PLTE of 1 to 256 entries before
// its image data, and every pixel must name one of them. False for a missing
// file and for anything that is not a regular file (a folder, a FIFO).
bool CheckPngFile(const char* path);
