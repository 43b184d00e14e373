// Pulse squares: the spawn threshold, the two draws per square and the cap
// of 500 squares.
#include "scenes/pulse_squares.h"
#include "scenes/scenes.h"
#include "scene_test_support.h"
#include "timeline/show_state.h"

#include <cmath>

namespace {

class PulseSquaresTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        g_lastSquareIndex = -1;
        g_demoTime = 10.0f;
    }
};

TEST_F(PulseSquaresTest, OnlyALevelAboveThresholdAddsASquare)
{
    g_randomState = 1;
    SetSpectrumLevel(1.2f);
    ScenePulseSquares(0.4f);
    EXPECT_EQ(g_lastSquareIndex, -1);
    EXPECT_EQ(g_randomState, 1u);

    SetSpectrumLevel(std::nextafter(1.2f, 2.0f));
    ScenePulseSquares(0.4f);
    ASSERT_EQ(g_lastSquareIndex, 0);
    // Two draws, x first: 41 % 20 - 10 and 18467 % 20 - 10.
    EXPECT_EQ(g_squareX[0], 41 % 20 - 10.0f);
    EXPECT_EQ(g_squareY[0], 18467 % 20 - 10.0f);
    EXPECT_EQ(CountDrawsBetween(1, g_randomState), 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PulseSquaresTest, StopsAddingAtFiveHundred)
{
    SetSpectrumLevel(3.0f);
    g_lastSquareIndex = MAX_PULSE_SQUARES - 2;
    ScenePulseSquares(0.5f);
    ASSERT_EQ(g_lastSquareIndex, MAX_PULSE_SQUARES - 1);
    const float lastX = g_squareX[MAX_PULSE_SQUARES - 1];
    const float lastY = g_squareY[MAX_PULSE_SQUARES - 1];

    // Loud frames go on, in the finale too: no square added, no draw made.
    for (float t : { 10.0f, 23.5f }) {
        g_demoTime = t;
        const uint32_t state = g_randomState;
        for (int frame = 0; frame < 5; ++frame)
            ScenePulseSquares(0.9f);
        EXPECT_EQ(g_lastSquareIndex, MAX_PULSE_SQUARES - 1);
        EXPECT_EQ(g_randomState, state);
    }
    EXPECT_EQ(g_squareX[MAX_PULSE_SQUARES - 1], lastX);
    EXPECT_EQ(g_squareY[MAX_PULSE_SQUARES - 1], lastY);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
