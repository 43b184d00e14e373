// The structure check a PNG file passes before the image library sees it.
// A damaged file can make the library's decoder read past the end of the
// file for minutes; the check reads the file once, in small pieces, and
// refuses such a file before it gets that far.
#pragma once

#include <cstdint>

// What a picture may claim, checked before anything is decoded: the image
// library sizes its memory by the header alone, so a 32 KB file claiming
// 16384 x 16384 pixels costs gigabytes. The show's pictures are 1280 x 720
// (0.9 million pixels, at most 3.7 MB decoded as RGBA). A side may be up to
// 4096, a texture size every GL the show is meant for takes; the pixels up
// to 1920 x 1080, 2.25 times the show's; and the decoded picture (samples
// widened to 8 or 16 bits, palette pixels as RGBA) up to 1920 x 1080 x 4
// bytes, 8.3 MB. The library keeps each decoded picture for the whole run
// and the GL its texture, so a picture at these bounds costs about 17 MB:
// even all twelve at once keep the run within twice its usual memory.
enum : uint32_t {
    PNG_MAX_SIDE = 4096,
    PNG_MAX_PIXELS = 1920 * 1080,
    PNG_MAX_DECODED_BYTES = 1920 * 1080 * 4
};

// True when the file at path is a regular file holding a whole PNG: the
// signature, then chunks whose lengths lie within the file and whose CRC32s
// match, IHDR first with sane fields (sides of at most PNG_MAX_SIDE, at most
// PNG_MAX_PIXELS pixels and PNG_MAX_DECODED_BYTES decoded, bit depth and
// colour type that go together, known compression, filter and interlace
// methods), at least one IDAT, and IEND. A palette image needs a PLTE of 1 to 256 entries before
// its image data, and every pixel must name one of them. False for a missing
// file and for anything that is not a regular file (a folder, a FIFO).
bool CheckPngFile(const char* path);
