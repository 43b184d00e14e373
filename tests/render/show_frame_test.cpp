// Whole frames of the show read back from a headless context: InitShow on
// the test content in a temporary working directory, then RenderFrame at
// chosen demo times, in both display settings.
#include "content/show_content.h"
#include "platform/message_record.h"
#include "render_test_support.h"
#include "scenes/star_tunnel.h"
#include "test_content.h"
#include "timeline/show_frame.h"
#include "timeline/show_random.h"
#include "timeline/show_state.h"
#include "timeline/show_table.h"

#include <cmath>
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

float Above(float t) { return std::nextafter(t, INFINITY); }
float Below(float t) { return std::nextafter(t, -INFINITY); }

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

TEST_F(ShowFrameTest, FirstFrameIsWhite)
{
    StartShow(DISPLAY_16_9);
    RenderAt(0.3f);
    EXPECT_TRUE(RowsAre(ReadBack(), 0, 719, WHITE));
    // Nothing of the frame changed the generator.
    RenderAt(0.3f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
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
    // Between the knots and the credits the frame is white.
    RenderAt(161.0f);
    EXPECT_TRUE(RowsAre(ReadBack(), 0, 719, WHITE));
    RenderAt(162.8f);
    EXPECT_TRUE(PixelIs(ReadBack(), 640, 360, GREEN));
    RenderAt(Below(162.8f));
    EXPECT_TRUE(PixelIs(ReadBack(), 640, 360, WHITE));
    RenderAt(Above(180.0f));
    EXPECT_TRUE(PixelIs(ReadBack(), 640, 360, WHITE));
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

TEST_F(ShowFrameTest, CaptionPiecesShowStrictlyAfterTheirReveal)
{
    StartShow(DISPLAY_16_9);
    // Sheet 1, piece 1 covers (374, 169)-(404, 254) of the layout, in the
    // picture's top half (red); piece 2 (475, 184)-(911, 258) reveals at 5.5.
    RenderAt(5.1f);
    EXPECT_TRUE(PixelIs(ReadBack(), 389, 211, WHITE));

    RenderAt(Above(5.1f));
    {
        const ReadBack image;
        EXPECT_TRUE(PixelIs(image, 389, 211, RED));
        EXPECT_TRUE(PixelIs(image, 375, 170, RED));
        EXPECT_TRUE(PixelIs(image, 403, 253, RED));
        EXPECT_TRUE(PixelIs(image, 372, 211, WHITE));
        EXPECT_TRUE(PixelIs(image, 389, 256, WHITE));
        EXPECT_TRUE(PixelIs(image, 693, 221, WHITE));
    }

    // Piece 5 lies in the picture's bottom half: blue, so the image is upright.
    RenderAt(9.0f);
    {
        const ReadBack image;
        EXPECT_TRUE(PixelIs(image, 389, 211, RED));
        EXPECT_TRUE(PixelIs(image, 693, 221, RED));
        EXPECT_TRUE(PixelIs(image, 399, 503, BLUE));
        EXPECT_TRUE(PixelIs(image, 852, 521, WHITE));  // piece 7, due at 10.4
    }

    // The sheet closes strictly before 13.8, all its pieces together.
    RenderAt(Below(13.8f));
    EXPECT_TRUE(PixelIs(ReadBack(), 852, 521, BLUE));
    RenderAt(13.8f);
    {
        const ReadBack image;
        EXPECT_TRUE(PixelIs(image, 389, 211, WHITE));
        EXPECT_TRUE(PixelIs(image, 852, 521, WHITE));
    }
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
    EXPECT_TRUE(PixelIs(image, 313, 140, RED));

    // A caption image that could not be read shows nothing, rather than
    // white rectangles over the scene.
    g_captionTextures[4] = 0;
    RenderAt(70.0f);
    EXPECT_TRUE(PixelIs(ReadBack(), 313, 140, colour));
}

}  // namespace
