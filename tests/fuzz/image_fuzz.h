// The body of the two image targets, which differ only in the DevIL they
// link (Debian's, or the Windows build's stand-in over stb_image): the input
// is written as a .png file and loaded by the show's LoadTexture in a small
// headless GL context; texture and image are released again.
//
// Before it is written, each chunk's CRC32 is set to match its bytes, so
// that mutations get past the structure check to the decoder; lengths and
// everything else stay as the fuzzer made them.
#pragma once

#include "content/texture.h"
#include "fuzz_input_file.h"
#include "platform/gl_api.h"
#include "platform/headless_gl.h"

#include <IL/il.h>
#include <IL/ilut.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

// Stops the run when a promise of LoadTexture is broken.
inline void RequireImageSound(bool ok)
{
    if (!ok)
        std::abort();
}

// Sets the CRC of every whole chunk after the signature to its true value.
inline void RepairPngCrcs(std::vector<uint8_t>& png)
{
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = (uint32_t(png[at]) << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (length > png.size() - at - 12)
            break;
        const uLong crc = crc32(0, png.data() + at + 4, 4 + length);
        uint8_t* field = png.data() + at + 8 + length;
        field[0] = uint8_t(crc >> 24);
        field[1] = uint8_t(crc >> 16);
        field[2] = uint8_t(crc >> 8);
        field[3] = uint8_t(crc);
        at += 12 + length;
    }
}

// One input through LoadTexture.
inline int RunImageInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        // One rasteriser thread: the contexts of fork mode's jobs stay small.
        setenv("LP_NUM_THREADS", "0", 0);
        if (!OpenHeadlessGl(16, 16, 0))
            std::abort();
        ilInit();
        return true;
    }();
    (void)ready;

    std::vector<uint8_t> png(data, data + size);
    RepairPngCrcs(png);
    const char* path = WriteFuzzInputFile(png.data(), png.size(), ".png");
    const TextureId texture = LoadTexture(path);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    RequireImageSound(static_cast<TextureId>(bound) == texture);
    if (texture != 0)
        glDeleteTextures(1, &texture);
    const ILuint image = static_cast<ILuint>(ilGetInteger(IL_CUR_IMAGE));
    ilDeleteImages(1, &image);
    return 0;
}
