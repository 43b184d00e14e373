// The show table: windows tested inclusively on floats, progress exact at
// the bounds and in single precision between them.
#include "timeline/show_table.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float Below(float t) { return std::nextafter(t, -INFINITY); }
float Above(float t) { return std::nextafter(t, INFINITY); }

TEST(ShowTable, BoundsAreInclusive)
{
    EXPECT_TRUE(IsInSceneWindow(CREDITS_WINDOW, 162.8f));
    EXPECT_FALSE(IsInSceneWindow(CREDITS_WINDOW, Below(162.8f)));
    EXPECT_TRUE(IsInSceneWindow(CREDITS_WINDOW, 180.0f));
    EXPECT_FALSE(IsInSceneWindow(CREDITS_WINDOW, Above(180.0f)));
    EXPECT_FALSE(IsInSceneWindow(PULSE_SQUARES_WINDOW, Below(2.0f)));
    EXPECT_TRUE(IsInSceneWindow(PULSE_SQUARES_WINDOW, 2.0f));
    // 160 .. 162.8 runs nothing.
    for (const SceneWindow* w : { &PULSE_SQUARES_WINDOW, &SPLIT_SPHERE_WINDOW, &STAR_TUNNEL_WINDOW,
             &KNOTS_WINDOW, &CREDITS_WINDOW })
        EXPECT_FALSE(IsInSceneWindow(*w, 161.0f));
    EXPECT_FALSE(IsInSceneWindow(KNOTS_WINDOW, Above(160.0f)));
    EXPECT_FALSE(IsInSceneWindow(PULSE_SQUARES_WINDOW, 0.3f));
}

TEST(ShowTable, SharedInstantsRunBothScenes)
{
    EXPECT_TRUE(IsInSceneWindow(PULSE_SQUARES_WINDOW, 24.0f));
    EXPECT_TRUE(IsInSceneWindow(SPLIT_SPHERE_WINDOW, 24.0f));
    EXPECT_EQ(GetSceneProgress(PULSE_SQUARES_WINDOW, 24.0f), 1.0f);
    EXPECT_EQ(GetSceneProgress(SPLIT_SPHERE_WINDOW, 24.0f), 0.0f);
    EXPECT_FALSE(IsInSceneWindow(SPLIT_SPHERE_WINDOW, Below(24.0f)));

    EXPECT_TRUE(IsInSceneWindow(STAR_TUNNEL_WINDOW, 92.5f));
    EXPECT_TRUE(IsInSceneWindow(KNOTS_WINDOW, 92.5f));
    EXPECT_EQ(GetSceneProgress(STAR_TUNNEL_WINDOW, 92.5f), 1.0f);
    EXPECT_EQ(GetSceneProgress(KNOTS_WINDOW, 92.5f), 0.0f);
}

TEST(ShowTable, ProgressIsSinglePrecision)
{
    EXPECT_EQ(GetSceneProgress(PULSE_SQUARES_WINDOW, 13.0f), 0.5f);
    EXPECT_EQ(GetSceneProgress(PULSE_SQUARES_WINDOW, 2.0f), 0.0f);
    EXPECT_EQ(GetSceneProgress(PULSE_SQUARES_WINDOW, 0.3f), 0.0f);
    EXPECT_EQ(GetSceneProgress(PULSE_SQUARES_WINDOW, 30.0f), 1.0f);
    // In the overlap both scenes run; the quotients are formed in floats.
    EXPECT_TRUE(IsInSceneWindow(SPLIT_SPHERE_WINDOW, 62.5f));
    EXPECT_TRUE(IsInSceneWindow(STAR_TUNNEL_WINDOW, 62.5f));
    EXPECT_EQ(GetSceneProgress(SPLIT_SPHERE_WINDOW, 62.5f), 38.5f / 39.0f);
    EXPECT_EQ(GetSceneProgress(STAR_TUNNEL_WINDOW, 62.5f), 0.5f / 30.5f);
    EXPECT_NEAR(GetSceneProgress(SPLIT_SPHERE_WINDOW, 62.5f), 0.98718, 1e-5);
    EXPECT_NEAR(GetSceneProgress(STAR_TUNNEL_WINDOW, 62.5f), 0.016393, 1e-6);
    // Just inside a bound the progress is neither 0 nor 1 exactly.
    const float p = GetSceneProgress(PULSE_SQUARES_WINDOW, Below(24.0f));
    EXPECT_LT(p, 1.0f);
    EXPECT_GT(p, 0.9999f);
}

}  // namespace
