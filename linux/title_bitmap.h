// The setup dialog's title picture, built into the program as the Windows
// program carries it as a resource: the content generator's title.bmp
// (640 x 360, 24-bit, uncompressed), bytes as in the file.
#pragma once

#include <cstddef>

// The bitmap file's bytes and their count.
const unsigned char* GetTitleBitmap(size_t* size);
