// Star tunnel: the ring tables drawn from the generator's start, the
// draws a frame makes, and the ring mesh loaded with them.
#include "content/show_content.h"
#include "platform/message_record.h"
#include "scenes/scenes.h"
#include "scenes/star_tunnel.h"
#include "scene_test_support.h"
#include "test_content.h"

namespace {

class StarTunnelTest : public SceneTest {};

TEST_F(StarTunnelTest, FirstRingsComeFromTheGeneratorsStart)
{
    const std::string dir = MakeTestDirectory();
    WriteShowContent(dir);
    {
        ScopedWorkingDirectory inside(dir);
        g_randomState = 1;
        ClearShownMessages();
        InitStarTunnel();
        EXPECT_EQ(CountShownMessages(), 0);
    }
    RemoveTestDirectory(dir);
    EXPECT_EQ(g_ringAngles[0], 41);
    EXPECT_EQ(g_ringReds[0], 107);
    EXPECT_EQ(g_ringGreens[0], 214);
    EXPECT_EQ(g_ringBlues[0], 235);
    EXPECT_EQ(g_ringAngles[1], 89);
    EXPECT_EQ(g_ringReds[1], 169);
    EXPECT_EQ(g_ringGreens[1], 3);
    EXPECT_EQ(g_ringBlues[1], 33);
    EXPECT_EQ(CountDrawsBetween(1, g_randomState), 200);
    for (int i = 0; i < TUNNEL_RING_COUNT; ++i) {
        EXPECT_LT(g_ringAngles[i], 90);
        EXPECT_LT(g_ringReds[i], 255);
        EXPECT_LT(g_ringGreens[i], 255);
        EXPECT_LT(g_ringBlues[i], 255);
    }
    // The ring mesh is the disk of the test content: 16 triangles.
    EXPECT_EQ(g_tunnelRing.faceCount, 16);
}

TEST_F(StarTunnelTest, MissingRingMeshIsReportedAndTablesStillFilled)
{
    const std::string dir = MakeTestDirectory();
    {
        ScopedWorkingDirectory inside(dir);
        g_randomState = 1;
        ClearShownMessages();
        InitStarTunnel();
    }
    RemoveTestDirectory(dir);
    ASSERT_EQ(CountShownMessages(), 1);
    EXPECT_STREQ(GetShownMessage(0)->text, "Error opening .obj file");
    EXPECT_EQ(g_ringAngles[0], 41);
    EXPECT_EQ(CountDrawsBetween(1, g_randomState), 200);
}

TEST_F(StarTunnelTest, EveryFrameMakesThreeThousandDraws)
{
    for (float p : { 0.0f, 0.5f, 1.0f }) {
        const uint32_t state = g_randomState;
        SceneStarTunnel(p);
        EXPECT_EQ(CountDrawsBetween(state, g_randomState), 3000);
    }
    // Point sizes of 0 are rejected by GL; nothing else raises an error.
    GLenum error;
    while ((error = glGetError()) != GL_NO_ERROR)
        EXPECT_EQ(error, static_cast<GLenum>(GL_INVALID_VALUE));
}

}  // namespace
