// The texture loader: DevIL and its GL layer decoding a PNG the test wrote,
// the picture upright with v = 0 at its bottom row, linear filtering, and
// the failure value for missing, damaged or undecodable files.
#include "content/texture.h"
#include "platform/message_record.h"
#include "render_test_support.h"
#include "test_content.h"

#include <IL/il.h>

#include <string>
#include <unistd.h>

namespace {

class TextureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(OpenHeadlessGl(64, 64, 0));
        ilInit();
    }
    static void TearDownTestSuite() { CloseHeadlessGl(); }
    void SetUp() override { dir_ = MakeTestDirectory(); }
    void TearDown() override { RemoveTestDirectory(dir_); }
    std::string dir_;
};

// Fills the 64 x 64 buffer with the bound texture: texture (0, 0) at the
// bottom-left corner, (1, 1) at the top-right one.
void DrawTexturedScreen()
{
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(1, 0);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(0, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

TEST_F(TextureTest, PictureIsUprightAndLinearlyFiltered)
{
    const std::string path = dir_ + "/bands.png";
    ASSERT_TRUE(WriteTestPng(path, 20, 10, MakeTwoBandPicture(20, 10, 0xFF0000FF, 0x0000FFFF)));
    const TextureId texture = LoadTexture(path.c_str());
    ASSERT_NE(texture, 0u);
    GLint bound = 0, minFilter = 0, magFilter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(static_cast<TextureId>(bound), texture);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);

    DrawTexturedScreen();
    const ReadBack image;
    // Upper rows of the buffer show the picture's top half (red). The rows
    // at the very edges blend with the opposite edge (wrap mode repeat).
    EXPECT_TRUE(PixelIs(image, 32, 10, RED));
    EXPECT_TRUE(PixelIs(image, 2, 24, RED));
    EXPECT_TRUE(PixelIs(image, 32, 54, BLUE));
    EXPECT_TRUE(PixelIs(image, 61, 40, BLUE));
}

// Palette pictures of every bit depth, plain and interlaced, arrive in their
// palette's colours, upright: what the library makes of the pictures the
// palette check lets through.
TEST_F(TextureTest, PalettePicturesArriveInTheirPaletteColours)
{
    const std::string path = dir_ + "/palette.png";
    for (int bitDepth : { 1, 2, 4, 8 }) {
        for (bool interlaced : { false, true }) {
            PalettePicture picture;
            picture.bitDepth = bitDepth;
            picture.paletteSize = bitDepth == 8 ? 25 : 1 << bitDepth;
            picture.interlaced = interlaced;
            picture.filter = 4;
            ASSERT_TRUE(WriteTestFile(path, JoinPngChunks(MakePalettePngChunks(picture))));
            const TextureId texture = LoadTexture(path.c_str());
            ASSERT_NE(texture, 0u) << bitDepth << "-bit" << (interlaced ? ", Adam7" : "");
            std::vector<uint8_t> texels(8 * 8 * 4);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    // Entry k of the test palette is (15k, 15k + 5, 15k + 10);
                    // the texture's first row is the picture's bottom row.
                    const int k = picture.index(x, y) & ((1 << bitDepth) - 1);
                    const uint8_t* texel = &texels[((7 - y) * 8 + x) * 4];
                    ASSERT_EQ(texel[0], 15 * k) << bitDepth << "-bit, pixel " << x << ", " << y;
                    ASSERT_EQ(texel[1], 15 * k + 5);
                    ASSERT_EQ(texel[2], 15 * k + 10);
                }
            }
            glDeleteTextures(1, &texture);
        }
    }
}

TEST_F(TextureTest, MissingAndBrokenFilesGiveNameZeroSilently)
{
    ClearShownMessages();
    const std::string garbage = dir_ + "/garbage.png";
    ASSERT_TRUE(WriteTestFile(garbage, "\x89PNG\r\n\x1a\n this is not an image at all"));
    const std::string empty = dir_ + "/empty.png";
    ASSERT_TRUE(WriteTestFile(empty, ""));
    const std::string truncated = dir_ + "/truncated.png";
    std::vector<uint8_t> whole = MakeTwoBandPicture(8, 8, 0xFF0000FF, 0x0000FFFF);
    ASSERT_TRUE(WriteTestPng(truncated, 8, 8, whole));
    ASSERT_EQ(truncate(truncated.c_str(), 60), 0);
    // DevIL would spin on this one for minutes, read past its palette for the
    // next, and take gigabytes for the two after.
    const std::string overrun = dir_ + "/overrun.png";
    ASSERT_TRUE(WriteTestFile(overrun, MakeOverrunPng()));
    const std::string pastPalette = dir_ + "/past_palette.png";
    ASSERT_TRUE(WriteTestFile(pastPalette, MakeIndexPastPalettePng()));
    const std::string hugePalette = dir_ + "/huge_palette.png";
    ASSERT_TRUE(WriteTestFile(hugePalette, MakeClaimingPng(16384, 16384, 1, 3)));
    const std::string hugeRgba = dir_ + "/huge_rgba.png";
    ASSERT_TRUE(WriteTestFile(hugeRgba, MakeClaimingPng(8192, 8192, 16, 6)));

    for (const std::string& path :
        { dir_ + "/none.png", garbage, empty, truncated, overrun, pastPalette, hugePalette, hugeRgba }) {
        // A file that is not a sound PNG, or that DevIL cannot decode, gives
        // name 0 (never DevIL's uninitialised placeholder), which is bound
        // like any other name; drawing with it is harmless.
        const TextureId texture = LoadTexture(path.c_str());
        EXPECT_EQ(texture, 0u) << path;
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<TextureId>(bound), texture) << path;
        DrawTexturedScreen();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << path;
    }
    EXPECT_EQ(CountShownMessages(), 0);
}

}  // namespace
