// The structure check a PNG file passes before the image library sees it.
// A damaged file can make the library's decoder read past the end of the
// file for minutes; the check reads the file once, in small pieces, and
// refuses such a file before it gets that far.
#pragma once

// Largest width or height accepted: no GL takes a larger texture, and a
// larger claim in a file this show reads is damage.
enum { PNG_MAX_SIDE = 16384 };

// True when the file at path is a whole PNG: the signature, then chunks
// whose lengths lie within the file and whose CRC32s match, IHDR first with
// sane fields (size, bit depth and colour type that go together, known
// compression, filter and interlace methods), PLTE before the image data of
// a palette image, at least one IDAT, and IEND. False for a missing file.
bool CheckPngFile(const char* path);
