// InflateZlib over stb_image's zlib decoder, built without any of its image
// formats and with internal linkage, so it stays apart from the stb_image the
// Windows build's image library stand-in carries. Debian's zlib is not on
// every host the show is built for; this decoder is plain C.
#include "content/zlib_inflate.h"

#include <climits>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_ZLIB
#define STBI_SUPPORT_ZLIB
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#include "stb_image.h"

bool InflateZlib(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize)
{
    if (inSize > INT_MAX || outSize > INT_MAX)
        return false;
    const int size = stbi_zlib_decode_buffer(reinterpret_cast<char*>(out), static_cast<int>(outSize),
        reinterpret_cast<const char*>(in), static_cast<int>(inSize));
    return size >= 0 && static_cast<size_t>(size) == outSize;
}
