// The DevIL stand-in of the Windows build, run against Mesa: it must upload
// what DevIL's GL layer uploads on Linux (bottom row first, the picture's
// channel count as internal format, linear filtering, the texture left
// bound), and give 0 for a file it cannot read or decode. Its decoding
// memory is reused from picture to picture, and an uploaded image's pixels
// are dropped and decoded again when it is bound a second time.
#include <IL/il.h>
#include <IL/ilut.h>

#include "platform/headless_gl.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class DevilStandinTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(OpenHeadlessGl(16, 16, 0));
        ilInit();
    }
    static void TearDownTestSuite() { CloseHeadlessGl(); }

    void SetUp() override
    {
        char pattern[] = "/tmp/devil_standin_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        for (const std::string& file : files_)
            unlink(file.c_str());
        rmdir(dir_.c_str());
    }

    std::string PathOf(const char* name)
    {
        files_.push_back(dir_ + "/" + name);
        return files_.back();
    }

    // Loads one file the way the show's texture loader does.
    static GLuint LoadLikeTheShow(const std::string& path, ILboolean* loaded)
    {
        ILuint image = 0;
        ilGenImages(1, &image);
        ilBindImage(image);
        *loaded = ilLoadImage(path.c_str());
        EXPECT_EQ(ilutRenderer(ILUT_OPENGL), IL_TRUE);
        return ilutGLBindTexImage();
    }

    // The texture's level 0 as RGBA bytes, row 0 first, with its size.
    static std::vector<unsigned char> ReadTexture(GLint* width, GLint* height)
    {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
        std::vector<unsigned char> rgba(static_cast<size_t>(*width) * *height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    static GLint BoundTexture()
    {
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        return bound;
    }

    std::string dir_;
    std::vector<std::string> files_;
};

TEST_F(DevilStandinTest, RgbPictureGoesUpBottomRowFirst)
{
    // Three rows, top to bottom: red, green, blue; two pixels wide, so rows
    // of 6 bytes need an unpack alignment of 1.
    const unsigned char picture[] = { 255, 0, 0, 255, 0, 0,
                                      0, 255, 0, 0, 255, 0,
                                      0, 0, 255, 0, 0, 255 };
    const std::string path = PathOf("rgb.png");
    ASSERT_TRUE(stbi_write_png(path.c_str(), 2, 3, 3, picture, 6));

    ILboolean loaded = IL_FALSE;
    const GLuint texture = LoadLikeTheShow(path, &loaded);
    EXPECT_EQ(loaded, IL_TRUE);
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(texture));

    GLint internalFormat = 0, minFilter = 0, magFilter = 0, unpack = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_TRUE(internalFormat == 3 || internalFormat == GL_RGB || internalFormat == GL_RGB8);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(unpack, 1);

    GLint width = 0, height = 0;
    const std::vector<unsigned char> texels = ReadTexture(&width, &height);
    ASSERT_EQ(width, 2);
    ASSERT_EQ(height, 3);
    const unsigned char expected[3][4] = { { 0, 0, 255, 255 }, { 0, 255, 0, 255 }, { 255, 0, 0, 255 } };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column) {
            for (int channel = 0; channel < 4; ++channel)
                EXPECT_EQ(texels[(row * 2 + column) * 4 + channel], expected[row][channel])
                    << "row " << row << " column " << column << " channel " << channel;
        }
    }
}

TEST_F(DevilStandinTest, RgbaPictureKeepsItsAlpha)
{
    const unsigned char picture[] = { 255, 0, 0, 128, 0, 255, 0, 255, 0, 0, 255, 255,
                                      9, 9, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8 };
    const std::string path = PathOf("rgba.png");
    ASSERT_TRUE(stbi_write_png(path.c_str(), 3, 2, 4, picture, 12));

    ILboolean loaded = IL_FALSE;
    const GLuint texture = LoadLikeTheShow(path, &loaded);
    ASSERT_NE(texture, 0u);
    GLint internalFormat = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
    EXPECT_TRUE(internalFormat == 4 || internalFormat == GL_RGBA || internalFormat == GL_RGBA8);

    GLint width = 0, height = 0;
    const std::vector<unsigned char> texels = ReadTexture(&width, &height);
    ASSERT_EQ(width, 3);
    ASSERT_EQ(height, 2);
    // Texture row 0 is the picture's bottom row.
    const std::vector<unsigned char> expected = { 9, 9, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8,
                                                  255, 0, 0, 128, 0, 255, 0, 255, 0, 0, 255, 255 };
    EXPECT_EQ(texels, expected);
}

TEST_F(DevilStandinTest, UnreadableFilesGiveZero)
{
    const std::string garbage = PathOf("garbage.png");
    const std::string empty = PathOf("empty.png");
    FILE* file = fopen(garbage.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("\x89PNG\r\n\x1a\n not a picture", file);
    fclose(file);
    file = fopen(empty.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fclose(file);
    // A header claiming 16384 x 16384 16-bit RGBA, whose size in bytes
    // overflows stb_image's int, and an empty zlib stream (stb_image reads
    // no CRC). Refused before any of it is decoded.
    const std::string huge = PathOf("huge.png");
    const unsigned char HUGE_PNG[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
        0, 0, 0x40, 0, 0, 0, 0x40, 0, 16, 6, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 11, 'I', 'D', 'A', 'T', 0x78, 0x01, 0x01, 0, 0, 0xFF, 0xFF, 0, 0, 0, 1, 0, 0, 0, 0,
        0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82 };
    file = fopen(huge.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(HUGE_PNG, 1, sizeof HUGE_PNG, file);
    fclose(file);

    for (const std::string& path : { dir_ + "/none.png", garbage, empty, huge }) {
        ILboolean loaded = IL_TRUE;
        EXPECT_EQ(LoadLikeTheShow(path, &loaded), 0u) << path;
        EXPECT_EQ(loaded, IL_FALSE) << path;
    }
}

// The texels DevIL's GL layer gives for a picture of 1 to 4 channels, read
// back as RGBA: GL returns a grey texture's luminance as red, with green and
// blue 0.
std::vector<unsigned char> ExpectedRgba(const std::vector<unsigned char>& picture, int width,
                                        int height, int channels)
{
    std::vector<unsigned char> rgba;
    for (int row = height - 1; row >= 0; --row) {
        for (int column = 0; column < width; ++column) {
            const unsigned char* pixel = &picture[(static_cast<size_t>(row) * width + column) * channels];
            for (int channel = 0; channel < 3; ++channel)
                rgba.push_back(channels < 3 && channel > 0 ? 0 : pixel[channel]);
            rgba.push_back(channels == 2 || channels == 4 ? pixel[channels - 1] : 255);
        }
    }
    return rgba;
}

TEST_F(DevilStandinTest, PicturesDecodeIntoReusedMemoryAndBindAgain)
{
    // Large pictures and small, so kept blocks serve smaller and larger
    // requests; every texel is checked, so stale bytes of an earlier picture
    // would show.
    const struct { int width, height, channels; } pictures[] = {
        { 600, 400, 4 }, { 3, 2, 1 }, { 700, 500, 2 }, { 640, 480, 3 }, { 257, 513, 2 }, { 600, 400, 4 },
    };
    unsigned seed = 7;
    for (const auto& shape : pictures) {
        std::vector<unsigned char> picture(static_cast<size_t>(shape.width) * shape.height * shape.channels);
        for (unsigned char& byte : picture) {
            seed = seed * 1103515245u + 12345u;
            byte = static_cast<unsigned char>(seed >> 16);
        }
        const std::string path = PathOf(("p" + std::to_string(files_.size()) + ".png").c_str());
        ASSERT_TRUE(stbi_write_png(path.c_str(), shape.width, shape.height, shape.channels,
                                   picture.data(), shape.width * shape.channels));
        const std::vector<unsigned char> expected =
            ExpectedRgba(picture, shape.width, shape.height, shape.channels);

        ILboolean loaded = IL_FALSE;
        ASSERT_NE(LoadLikeTheShow(path, &loaded), 0u);
        // The second bind of the same image decodes the file again.
        for (int bind = 0; bind < 2; ++bind) {
            if (bind == 1) {
                ASSERT_NE(ilutGLBindTexImage(), 0u);
            }
            GLint width = 0, height = 0;
            const std::vector<unsigned char> texels = ReadTexture(&width, &height);
            ASSERT_EQ(width, shape.width);
            ASSERT_EQ(height, shape.height);
            EXPECT_TRUE(texels == expected)
                << shape.width << " x " << shape.height << " x " << shape.channels << ", bind " << bind;
        }
    }
}

TEST_F(DevilStandinTest, EachImageGetsItsOwnTexture)
{
    const unsigned char white[] = { 255, 255, 255 };
    const std::string path = PathOf("white.png");
    ASSERT_TRUE(stbi_write_png(path.c_str(), 1, 1, 3, white, 3));
    ILboolean loaded = IL_FALSE;
    const GLuint first = LoadLikeTheShow(path, &loaded);
    const GLuint second = LoadLikeTheShow(path, &loaded);
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(second));
    EXPECT_EQ(ilutRenderer(ILUT_OPENGL + 1), IL_FALSE);
}

}  // namespace
