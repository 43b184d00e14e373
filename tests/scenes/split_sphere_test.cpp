// Split sphere: 3,000 draws a frame whatever the level, and a spark column
// that stays sane when the level is not (negative, not a number, huge).
#include "scenes/scenes.h"
#include "scene_test_support.h"
#include "timeline/show_state.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();
const float INFINITE = std::numeric_limits<float>::infinity();

class SplitSphereTest : public SceneTest {
protected:
    // Lowest and highest spark height of one frame at demo time 24.0
    // (progress 0: no turn, no split), read back through GL feedback. The
    // orthographic volume of +-2000 on a 4000-unit viewport gives window
    // y = eye y + 2000; the spark frame's y is the eye's y.
    std::pair<float, float> CaptureSparkColumn(float level, size_t* points)
    {
        SetSpectrumLevel(level);
        std::vector<GLfloat> buffer(900 * 8 + 64);
        glViewport(0, 0, 4000, 4000);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2000, 2000, -2000, 2000, -2000, 2000);
        glMatrixMode(GL_MODELVIEW);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        g_demoTime = 24.0f;
        SceneSplitSphere(0.0f);
        const GLint used = glRenderMode(GL_RENDER);
        float lowest = INFINITE, highest = -INFINITE;
        *points = 0;
        for (GLint i = 0; i + 3 < used; i += 4) {
            EXPECT_EQ(buffer[i], static_cast<GLfloat>(GL_POINT_TOKEN));
            const float y = buffer[i + 2] - 2000.0f;
            lowest = std::min(lowest, y);
            highest = std::max(highest, y);
            ++*points;
        }
        return { lowest, highest };
    }
};

TEST_F(SplitSphereTest, MakesThreeThousandDrawsAtEveryLevel)
{
    g_demoTime = 40.0f;
    for (float level : { 0.0f, 2.5f, -0.55f, -1.0f, -1e30f, 1e30f, INFINITE, -INFINITE, NOT_A_NUMBER }) {
        SetSpectrumLevel(level);
        const uint32_t state = g_randomState;
        SceneSplitSphere(0.4f);
        EXPECT_EQ(CountDrawsBetween(state, g_randomState), 3000) << "level " << level;
    }
}

TEST_F(SplitSphereTest, SparkColumnFollowsTheLevel)
{
    size_t points = 0;
    // Silence: heights from -0.275 to 0.274, in steps of 0.001.
    auto silent = CaptureSparkColumn(0.0f, &points);
    EXPECT_EQ(points, 900u);
    EXPECT_GE(silent.first, -0.2751f);
    EXPECT_LE(silent.second, 0.2741f);
    EXPECT_LT(silent.first, -0.2f);
    EXPECT_GT(silent.second, 0.2f);
    // A loud frame makes a taller column: height e + 0.55.
    auto loud = CaptureSparkColumn(3.45f, &points);
    EXPECT_EQ(points, 900u);
    EXPECT_GE(loud.first, -2.0001f);
    EXPECT_LE(loud.second, 2.0001f);
    EXPECT_LT(loud.first, -1.5f);
}

TEST_F(SplitSphereTest, SparkColumnGuardsAgainstInsaneLevels)
{
    size_t points = 0;
    // Not a number and levels below zero count as silence (a level of
    // -0.55 would make the column's height zero and its modulus zero).
    for (float level : { NOT_A_NUMBER, -0.55f, -3.0f, -INFINITE }) {
        auto span = CaptureSparkColumn(level, &points);
        EXPECT_EQ(points, 900u) << level;
        EXPECT_GE(span.first, -0.2751f) << level;
        EXPECT_LE(span.second, 0.2741f) << level;
    }
    // Huge levels are held to a column of finite height, all of it drawn.
    for (float level : { 1e30f, INFINITE }) {
        auto span = CaptureSparkColumn(level, &points);
        EXPECT_EQ(points, 900u) << level;
        EXPECT_GE(span.first, -501.0f) << level;
        EXPECT_LE(span.second, 501.0f) << level;
    }
}

}  // namespace
