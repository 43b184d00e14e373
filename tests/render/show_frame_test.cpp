// Whole frames of the show read back from a headless context: InitShow on
// the test content in a temporary working directory, then RenderFrame at
// chosen demo times, in both display settings.
#include "content/show_content.h"
#include "platform/message_record.h"
#include "render_test_support.h"
#include "scenes/show_random.h"
#include "scenes/star_tunnel.h"
#include "test_content.h"
#include "timeline/caption_schedule.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"
#include "timeline/show_table.h"

#include <algorithm>
#include <string>

namespace {

// One show per test: a context of the window's size and the content loaded.
class ShowFrameTest : public ::testing::Test {
protected:
    // drawFirstFrame draws the frame at 0.3 that the shell draws first; a
    // window re-created later in the show draws its first frame elsewhere.
    void StartShow(const DisplaySettings& settings, bool drawFirstFrame = true)
    {
        g_displaySettings = settings;
        ASSERT_TRUE(OpenHeadlessGl(settings.windowWidth, settings.windowHeight, 0));
        dir_ = MakeTestDirectory();
        WriteShowContent(dir_);
        ClearShownMessages();
        g_randomState = 1;
        {
            ScopedWorkingDirectory inside(dir_);
            EXPECT_TRUE(InitShow());
        }
        EXPECT_EQ(CountShownMessages(), 0);
        for (TextureId texture : g_captionTextures)
            EXPECT_NE(texture, 0u);
        EXPECT_NE(g_creditsTexture, 0u);
        if (drawFirstFrame)
            RenderAt(0.3f);
    }
    void TearDown() override
    {
        // Real GL may reject only a spark batch's point size of 0.
        for (GLenum error; (error = glGetError()) != GL_NO_ERROR;)
            EXPECT_EQ(error, static_cast<GLenum>(GL_INVALID_VALUE));
        CloseHeadlessGl();
        if (!dir_.empty())
            RemoveTestDirectory(dir_);
        g_displaySettings = DISPLAY_16_9;
    }
    // Renders the frame at demo time t.
    static void RenderAt(float t)
    {
        g_demoTime = t;
        RenderFrame();
    }
    std::string dir_;
};

// Every 8th pixel of rows first..last (inclusive, from the top) is colour c.
::testing::AssertionResult RowsAre(const ReadBack& image, int first, int last, uint32_t c)
{
    for (int y = first; y <= last; y += (y + 8 <= last || y == last) ? 8 : last - y)
        for (int x = 0; x < image.Width(); x += 8) {
            auto result = PixelIs(image, x, y, c);
            if (!result)
                return result;
        }
    return ::testing::AssertionSuccess();
}

TEST_F(ShowFrameTest, LetterboxBarsFrameTheShowViewport)
{
    StartShow(DISPLAY_4_3);
    RenderAt(0.3f);
    const ReadBack image;
    EXPECT_TRUE(RowsAre(image, 0, 95, BLACK));
    EXPECT_TRUE(RowsAre(image, 96, 671, WHITE));
    EXPECT_TRUE(RowsAre(image, 672, 767, BLACK));
    // The bars set the show viewport up again for the next frame.
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[1], 96);
    EXPECT_EQ(viewport[3], 576);
}

TEST_F(ShowFrameTest, CreditsCoverTheShowViewport)
{
    StartShow(DISPLAY_16_9);
    RenderAt(170.0f);
    EXPECT_TRUE(RowsAre(ReadBack(), 0, 719, GREEN));
}

TEST_F(ShowFrameTest, CreditsStayInsideTheBarsIn4To3)
{
    StartShow(DISPLAY_4_3);
    RenderAt(170.0f);
    const ReadBack image;
    EXPECT_TRUE(RowsAre(image, 0, 95, BLACK));
    EXPECT_TRUE(RowsAre(image, 96, 671, GREEN));
    EXPECT_TRUE(RowsAre(image, 672, 767, BLACK));
}

TEST_F(ShowFrameTest, EachSheetShowsItsOwnPicture)
{
    StartShow(DISPLAY_16_9);
    // Every test picture has its slot's own colour in its top half, so each
    // sheet, drawn with all its pieces revealed, tells which image its slot
    // holds: the core loads each sheet's file into the sheet's slot.
    for (const CaptionSheet& sheet : CAPTION_SHEETS) {
        RenderAt((sheet.pieces[sheet.pieceCount - 1].reveal + sheet.closes) / 2);
        const ReadBack image;
        for (int i = 0; i < sheet.pieceCount; ++i) {
            const CaptionPiece& piece = sheet.pieces[i];
            // Away from the band edge, where linear filtering mixes the halves.
            if (piece.y1 >= 290)
                continue;
            const int x = (piece.x1 + piece.x2) / 2, y = (piece.y1 + std::min(piece.y2, 300)) / 2;
            EXPECT_TRUE(PixelIs(image, x, y, GetCaptionTopColour(sheet.slot) >> 8)) << sheet.file;
        }
    }
    // Sheet 1's first piece sits exactly on its rectangle (374, 169)-(404,
    // 254), and piece 5, in the picture's bottom half, is blue: the picture
    // is upright.
    RenderAt(9.0f);
    const ReadBack image;
    EXPECT_TRUE(PixelIs(image, 375, 170, RED));
    EXPECT_TRUE(PixelIs(image, 403, 253, RED));
    EXPECT_TRUE(PixelIs(image, 372, 211, WHITE));
    EXPECT_TRUE(PixelIs(image, 389, 256, WHITE));
    EXPECT_TRUE(PixelIs(image, 399, 503, BLUE));
    EXPECT_TRUE(PixelIs(image, 852, 521, WHITE));  // piece 7, due at 10.4
}

TEST_F(ShowFrameTest, CaptionsScaleIntoTheShowViewportIn4To3)
{
    StartShow(DISPLAY_4_3);
    RenderAt(9.0f);
    const ReadBack image;
    // Layout point (x, y) lands on window pixel (0.8 x, 96 + 0.8 y).
    EXPECT_TRUE(PixelIs(image, 311, 265, RED));   // piece 1's centre
    EXPECT_TRUE(PixelIs(image, 319, 498, BLUE));  // piece 5's centre
    EXPECT_TRUE(PixelIs(image, 297, 265, WHITE)); // left of piece 1
    EXPECT_TRUE(RowsAre(image, 0, 95, BLACK));
}

TEST_F(ShowFrameTest, KnotsStandAtTheCentre)
{
    // The first frame after InitShow, as after a fullscreen toggle during
    // the knots: InitShow leaves texturing off, so the knots do not take on
    // the credits picture that it loaded last.
    StartShow(DISPLAY_16_9, false);
    RenderAt(100.0f);
    const ReadBack image;
    // Around the centre the solids show the knots' teal (0.2, 0.7, 0.6),
    // crossed by the black lines of their cages.
    int teal = 0, black = 0, samples = 0;
    for (int y = 260; y < 460; y += 2)
        for (int x = 540; x < 740; x += 2) {
            teal += IsColour(image.At(x, y), 0x33B299, 2) ? 1 : 0;
            black += IsColour(image.At(x, y), BLACK, 10) ? 1 : 0;
            ++samples;
        }
    EXPECT_GT(teal, samples / 2);
    EXPECT_GT(black, 100);
    EXPECT_TRUE(PixelIs(image, 5, 5, WHITE));
    EXPECT_TRUE(PixelIs(image, 1274, 714, WHITE));
}

TEST_F(ShowFrameTest, NearestRingShowsItsColour)
{
    StartShow(DISPLAY_16_9);
    RenderAt(70.0f);
    // The rings are disks facing the viewer at z = i - 50 p; the nearest one
    // beyond the near plane (0.5) covers the whole picture.
    const double p = GetSceneProgress(STAR_TUNNEL_WINDOW, 70.0f);
    int nearest = -1;
    for (int i = 0; i < TUNNEL_RING_COUNT; ++i)
        if (static_cast<float>(i - p * 50.0) < -0.5f)
            nearest = i;
    ASSERT_EQ(nearest, 12);
    const uint32_t colour = (g_ringReds[nearest] << 16) | (g_ringGreens[nearest] << 8) | g_ringBlues[nearest];
    const ReadBack image;
    EXPECT_TRUE(PixelIs(image, 640, 360, colour));
    EXPECT_TRUE(PixelIs(image, 320, 600, colour));
    EXPECT_TRUE(PixelIs(image, 100, 50, colour));
    // Sheet 5's first piece is on screen over the rings.
    EXPECT_TRUE(PixelIs(image, 313, 140, GetCaptionTopColour(4) >> 8));

    // A caption image that could not be read shows nothing, rather than
    // white rectangles over the scene.
    g_captionTextures[4] = 0;
    RenderAt(70.0f);
    EXPECT_TRUE(PixelIs(ReadBack(), 313, 140, colour));
}

}  // namespace
