// DevIL stand-in: the six image calls of the show over stb_image, and the two
// that release images, for Windows builds without a DevIL. It matches what
// DevIL's GL layer does with a PNG: the texture's internal format is the
// picture's channel count, rows go up bottom row first, GL_UNPACK_ALIGNMENT
// is left at 1, filtering is linear and wrapping repeats; where the GL cannot
// take sizes other than powers of two, the picture is scaled up to the next
// ones. Unlike DevIL, which uploads a 1 x 1 image of undefined content for a
// file it could not load, a failed image gives the texture name 0.
//
// Images are kept in a small table for the whole run, as DevIL keeps them,
// but an image's pixels are given back once they are in a texture: the show
// uploads each image once, and the next picture decodes into the same memory
// (see image_memory.h for why that matters). Binding such an image again
// decodes its file again. Everything here runs at load time on the GL thread.
#include <IL/il.h>
#include <IL/ilut.h>

#include <GL/glu.h>

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image_memory.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_MALLOC AllocateImageMemory
#define STBI_REALLOC ResizeImageMemory
#define STBI_FREE FreeImageMemory
// stb_image sizes a 16-bit picture's rows in an int ((8 x width + 1) x
// height for RGBA), which overflows at 16384 x 16384; 8192 a side keeps it
// far within. What a picture the show loads may claim is bounded before it
// gets here, and more narrowly.
#define STBI_MAX_DIMENSIONS (1 << 13)
#include "stb_image.h"

namespace {

// Gives stb_image's pixels back to the memory they came from.
struct PixelsRelease {
    void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

// One loaded file and, until it is uploaded, its decoded picture: rows
// bottom first, channels bytes per pixel.
struct StandinImage {
    std::string file;
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<unsigned char, PixelsRelease> pixels;
};

// Image 0 is never handed out, as in DevIL.
std::vector<StandinImage> s_images(1);
ILuint s_boundImage = 0;

// The GL pixel format of a picture with this many channels.
GLenum PixelFormatOf(int channels)
{
    switch (channels) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    default: return GL_RGBA;
    }
}

bool IsPowerOfTwo(int value)
{
    return value > 0 && (value & (value - 1)) == 0;
}

int NextPowerOfTwo(int value)
{
    int power = 1;
    while (power < value)
        power *= 2;
    return power;
}

// True when the current GL takes texture sizes that are not powers of two.
bool GlTakesAnyTextureSize()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version && version[0] >= '2' && version[0] <= '9')
        return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && strstr(extensions, "GL_ARB_texture_non_power_of_two");
}

// Decodes the image's file into its pixels; false when it cannot.
bool DecodeFile(StandinImage& image)
{
    image.pixels.reset(stbi_load(image.file.c_str(), &image.width, &image.height,
                                 &image.channels, 0));
    return image.pixels != nullptr;
}

}  // namespace

extern "C" void ilInit(void)
{
    // GL wants the bottom row first.
    stbi_set_flip_vertically_on_load(1);
}

extern "C" void ilGenImages(ILsizei count, ILuint* images)
{
    assert(count >= 0 && images);
    for (ILsizei i = 0; i < count; ++i) {
        images[i] = static_cast<ILuint>(s_images.size());
        s_images.emplace_back();
    }
}

extern "C" void ilBindImage(ILuint image)
{
    assert(image < s_images.size());
    s_boundImage = image;
}

extern "C" void ilDeleteImages(ILsizei count, const ILuint* images)
{
    for (ILsizei i = 0; i < count; ++i) {
        if (images[i] == 0 || images[i] >= s_images.size())
            continue;
        s_images[images[i]] = StandinImage();
        if (images[i] == s_boundImage)
            s_boundImage = 0;
    }
}

extern "C" ILint ilGetInteger(ILenum mode)
{
    return mode == IL_CUR_IMAGE ? static_cast<ILint>(s_boundImage) : 0;
}

extern "C" ILboolean ilLoadImage(ILconst_string fileName)
{
    if (s_boundImage == 0 || !fileName)
        return IL_FALSE;
    StandinImage& image = s_images[s_boundImage];
    image = StandinImage();
    image.file = fileName;
    if (DecodeFile(image))
        return IL_TRUE;
    image = StandinImage();
    return IL_FALSE;
}

extern "C" ILboolean ilutRenderer(ILenum renderer)
{
    return renderer == ILUT_OPENGL ? IL_TRUE : IL_FALSE;
}

extern "C" GLuint ilutGLBindTexImage(void)
{
    if (s_boundImage == 0)
        return 0;
    StandinImage& image = s_images[s_boundImage];
    if (image.file.empty() || (!image.pixels && !DecodeFile(image)))
        return 0;
    const GLenum format = PixelFormatOf(image.channels);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    if (GlTakesAnyTextureSize() || (IsPowerOfTwo(image.width) && IsPowerOfTwo(image.height))) {
        glTexImage2D(GL_TEXTURE_2D, 0, image.channels, image.width, image.height, 0, format,
                     GL_UNSIGNED_BYTE, image.pixels.get());
    } else {
        const int width = NextPowerOfTwo(image.width);
        const int height = NextPowerOfTwo(image.height);
        std::vector<unsigned char> scaled(static_cast<size_t>(width) * height * image.channels);
        gluScaleImage(format, image.width, image.height, GL_UNSIGNED_BYTE, image.pixels.get(),
                      width, height, GL_UNSIGNED_BYTE, scaled.data());
        glTexImage2D(GL_TEXTURE_2D, 0, image.channels, width, height, 0, format,
                     GL_UNSIGNED_BYTE, scaled.data());
    }
    image.pixels.reset();
    return texture;
}
