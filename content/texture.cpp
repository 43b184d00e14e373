// Textures: each PNG is decoded by DevIL into an image of its own and handed
// to GL by DevIL's GL layer (ILUT), which also creates the GL texture. The
// DevIL images and GL textures are kept for the whole run.
//
// Orientation: the overlays address every texture with v = 0 at the bottom
// row of the picture. DevIL's PNG decoder marks its images as stored top row
// first, and ILUT uploads them bottom row first (DevIL's default origin is
// the lower left), so the picture arrives upright under that convention.
// ILUT also enables GL_TEXTURE_2D when it uploads; InitShow turns it off
// again once everything is loaded.
#include "content/texture.h"

#include "content/png_check.h"
#include "platform/gl_api.h"

#include <IL/il.h>
#include <IL/ilut.h>

TextureId LoadTexture(const char* path)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    // A missing or broken file is not reported. DevIL would keep the bound
    // image as its 1 x 1 placeholder, whose texel is uninitialised memory, and
    // ILUT would upload that, so such a file draws random grey. It gets the
    // failed upload's name 0 instead, the same on every host. DevIL sees only
    // regular files whose structure is sound (a damaged chunk length can make
    // it read past the end of the file for minutes), whose size it can afford
    // and whose palette indices name palette entries (it looks them up
    // unchecked).
    const bool loaded = CheckPngFile(path) && ilLoadImage(path) == IL_TRUE;
    // ILUT's GL renderer is selected before every upload, not once.
    ilutRenderer(ILUT_OPENGL);
    const TextureId texture = loaded ? ilutGLBindTexImage() : 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}
