// What the scene tests share: a small GL context, a chosen spectrum level,
// and counting the generator's draws.
#pragma once

#include "audio/music.h"
#include "platform/gl_api.h"
#include "platform/headless_gl.h"
#include "timeline/show_random.h"

#include <gtest/gtest.h>

// Opens a small headless context for a suite and makes every spectrum
// request return the chosen level: no stream is open, so each request fails
// and leaves g_spectrumFrame as the test set it.
class SceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenHeadlessGl(64, 64, 0)); }
    static void TearDownTestSuite() { CloseHeadlessGl(); }
    void SetUp() override
    {
        ASSERT_EQ(g_musicStream, 0u);
        SetSpectrumLevel(0.0f);
    }
    static void SetSpectrumLevel(float level)
    {
        for (float& magnitude : g_spectrumFrame)
            magnitude = 0.0f;
        g_spectrumFrame[0] = level;
    }
};

// The number of draws the generator has made between two of its states.
inline int CountDrawsBetween(uint32_t from, uint32_t to)
{
    const uint32_t saved = g_randomState;
    g_randomState = from;
    int draws = 0;
    while (g_randomState != to && draws < 1000000) {
        ShowRand();
        ++draws;
    }
    g_randomState = saved;
    return draws;
}
