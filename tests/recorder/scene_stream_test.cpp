// The four scenes, call by call: at the instants where their behaviour
// changes (window bounds, the 23.0 switch, the 62.5 split, one float step
// either side) and at frames between, each scene's recorded calls, spectrum
// requests and draws must equal what the expectation builder derives from
// the show's formulas.
#include "call_recorder.h"
#include "expected_show.h"
#include "stream_test_support.h"

#include "content/show_content.h"
#include "platform/message_record.h"
#include "scenes/pulse_squares.h"
#include "scenes/scenes.h"
#include "scenes/show_random.h"
#include "scenes/star_tunnel.h"
#include "test_content.h"

#include <cmath>
#include <limits>

namespace {

const float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();
const float INFINITE = std::numeric_limits<float>::infinity();

// One frame of a scene: its demo time and the spectrum levels it hears.
struct SceneFrame {
    float t;
    std::vector<float> levels;
};

class SceneStreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Every mesh its own, so a mesh drawn in another's place shows.
        MakeTestMesh(&g_upperSphereHalf, 1.5f);
        MakeTestMesh(&g_lowerSphereHalf, -2.5f);
        MakeTestMesh(&g_tunnelRing, 3.25f);
        for (int k = 0; k < 4; ++k)
            MakeTestMesh(&g_knots[k], 0.125f * (k + 1));
        // The ring tables of a fresh process, in the core and the builder.
        const ShowModel model = MakeModelAfterInit();
        for (int i = 0; i < TUNNEL_RING_COUNT; ++i) {
            g_ringAngles[i] = model.ringAngles[i];
            g_ringReds[i] = model.ringReds[i];
            g_ringGreens[i] = model.ringGreens[i];
            g_ringBlues[i] = model.ringBlues[i];
        }
    }
    // Runs one frame of scene in the core and in the builder, from the same
    // generator state and level script; the model keeps what it learned.
    ::testing::AssertionResult CompareFrame(float start, float end, const SceneFrame& frame,
        void (*scene)(float, float), void (*expect)(ShowModel&, float, float))
    {
        const float p = ComputeProgress(start, end, frame.t);
        g_randomState = model_.randomState = 12345u + static_cast<uint32_t>(frame.t * 1000);
        SetSpectrumLevels(frame.levels);
        model_.levels = frame.levels;
        model_.requests = 0;
        return CompareStreams([&] { scene(frame.t, p); }, [&] { expect(model_, frame.t, p); });
    }
    ShowModel model_ = MakeModelAfterInit();
};

// Gives core and model the same squares at the same grid points.
void PresetSquares(ShowModel& model, int count)
{
    model.squares.clear();
    for (int i = 0; i < count; ++i) {
        g_squareX[i] = static_cast<float>(i * 7 % 20 - 10);
        g_squareY[i] = static_cast<float>(i * 13 % 20 - 10);
        model.squares.push_back({ g_squareX[i], g_squareY[i] });
    }
    g_lastSquareIndex = count - 1;
}

TEST_F(SceneStreamTest, PulseSquares)
{
    const std::vector<float> loud = { 1.5f, 0.75f, 2.25f, 0.0f, 3.5f };
    const SceneFrame frames[] = {
        { 2.0f, loud }, { Above(2.0f), loud }, { 9.0f, { 0.5f, 1.75f } }, { 13.0f, loud },
        { Below(23.0f), loud }, { 23.0f, loud }, { Above(23.0f), { 0.25f, 2.5f } }, { Below(24.0f), loud },
        { 24.0f, loud },
        // A level of exactly 1.2 adds no square; the next float above it does.
        { 10.0f, { 1.2f, 0.5f } }, { 10.0f, { Above(1.2f), 0.5f } },
    };
    for (const SceneFrame& frame : frames) {
        PresetSquares(model_, 3);
        EXPECT_TRUE(CompareFrame(2.0f, 24.0f, frame, ScenePulseSquares, ExpectPulseSquares)) << "t " << frame.t;
    }
    // No squares yet and a quiet frame: one request, nothing drawn.
    PresetSquares(model_, 0);
    EXPECT_TRUE(CompareFrame(2.0f, 24.0f, { 5.0f, { 1.0f } }, ScenePulseSquares, ExpectPulseSquares));
    EXPECT_EQ(g_lastSquareIndex, -1);
}

TEST_F(SceneStreamTest, PulseSquaresStopAtFiveHundred)
{
    PresetSquares(model_, MAX_PULSE_SQUARES - 1);
    // The 500th square is added; then loud frames add none and draw nothing.
    for (float t : { 10.0f, 11.0f, 23.5f }) {
        EXPECT_TRUE(CompareFrame(2.0f, 24.0f, { t, { 2.0f } }, ScenePulseSquares, ExpectPulseSquares)) << t;
        EXPECT_EQ(g_lastSquareIndex, MAX_PULSE_SQUARES - 1);
    }
}

TEST_F(SceneStreamTest, SplitSphere)
{
    const std::vector<float> music = { 0.6f, 1.9f, 0.0f, 3.45f, 0.3f, 1.1f, 2.7f };
    const SceneFrame frames[] = {
        { 24.0f, music }, { Above(24.0f), music }, { 40.0f, music }, { 62.0f, music },
        { Below(62.5f), music }, { 62.5f, music }, { Above(62.5f), music }, { 62.75f, music },
        { Below(63.0f), music }, { 63.0f, music },
        // Silence, and levels that are not music: the column stays sane.
        { 30.0f, {} }, { 50.0f, { NOT_A_NUMBER, -0.55f, 1e30f, INFINITE, -INFINITE, -3.0f, 2.5f } },
    };
    for (const SceneFrame& frame : frames)
        EXPECT_TRUE(CompareFrame(24.0f, 63.0f, frame, SceneSplitSphere, ExpectSplitSphere)) << "t " << frame.t;
}

TEST_F(SceneStreamTest, StarTunnelTablesComeFromTheGeneratorsStart)
{
    const std::string dir = MakeTestDirectory();
    CallStream made, expected;
    {
        // No ring mesh here: the box is shown, the tables are drawn all the
        // same, and the ring mesh is left as it was.
        ScopedWorkingDirectory inside(dir);
        ClearShownMessages();
        g_randomState = 1;
        StartRecording(&made);
        InitStarTunnel();
        StartRecording(nullptr);
    }
    RemoveTestDirectory(dir);
    ShowModel model;
    StartRecording(&expected);
    ExpectInitStarTunnel(model);
    StartRecording(nullptr);
    EXPECT_TRUE(IsSameStream(expected, made));
    EXPECT_EQ(made.size(), 200u);
    ASSERT_EQ(CountShownMessages(), 1);
    EXPECT_STREQ(GetShownMessage(0)->text, "Error opening .obj file");
    EXPECT_EQ(g_tunnelRing.faceCount, 2);
    // The first two rings as the generator's start gives them.
    const int rings[2][4] = { { 41, 107, 214, 235 }, { 89, 169, 3, 33 } };
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(g_ringAngles[i], rings[i][0]);
        EXPECT_EQ(g_ringReds[i], rings[i][1]);
        EXPECT_EQ(g_ringGreens[i], rings[i][2]);
        EXPECT_EQ(g_ringBlues[i], rings[i][3]);
    }
}

// The star tunnel and the knots do not read the demo time themselves.
void ExpectTunnelFrame(ShowModel& model, float, float p) { ExpectStarTunnel(model, p); }
void ExpectKnotsFrame(ShowModel&, float, float p) { ExpectKnots(p); }

TEST_F(SceneStreamTest, StarTunnel)
{
    // Consecutive frames: the spin toggle carries over, ring 0 still turns
    // forwards in each.
    for (float t : { 62.0f, Above(62.0f), 62.5f, 70.0f, 80.0f, Below(92.5f), 92.5f })
        EXPECT_TRUE(CompareFrame(62.0f, 92.5f, { t, {} }, SceneStarTunnel, ExpectTunnelFrame)) << "t " << t;
}

TEST_F(SceneStreamTest, Knots)
{
    // 97.8 is near s = 1; 108.4 near s = -1, where knots 3 and 4 are flat.
    for (float t : { 92.5f, Above(92.5f), 97.8f, 100.0f, 108.4f, 126.25f, 150.0f, Below(160.0f), 160.0f })
        EXPECT_TRUE(CompareFrame(92.5f, 160.0f, { t, {} }, SceneKnots, ExpectKnotsFrame)) << "t " << t;
}

}  // namespace
