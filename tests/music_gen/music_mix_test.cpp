// The master limiter: every sample ends at or under the ceiling, the music
// away from a loud hit is left exactly as it was, and both channels are
// turned down together so the stereo picture does not lean.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/content/music/music_dsp.h"
#include "tools/content/music/music_mix.h"

// Two seconds of a quiet 100 Hz tone on both channels, with a loud burst on
// the left only from 1.0 to 1.1 s.
static void MakeTonesWithBurst(std::vector<float>* left, std::vector<float>* right)
{
    size_t frames = 2 * MUSIC_RATE;
    left->resize(frames);
    right->resize(frames);
    for (size_t n = 0; n < frames; ++n) {
        float tone = 0.3f * (float)std::sin(2.0 * 3.14159265358979 * 100.0 * n / MUSIC_RATE);
        bool burst = n >= (size_t)MUSIC_RATE && n < (size_t)(1.1 * MUSIC_RATE);
        (*left)[n] = burst ? tone * 6.0f : tone;
        (*right)[n] = tone;
    }
}

TEST(MusicLimiter, HoldsPeaksUnderTheCeilingAndLeavesQuietPartsAlone)
{
    std::vector<float> left, right;
    MakeTonesWithBurst(&left, &right);
    std::vector<float> originalLeft = left, originalRight = right;
    LimitPeaks(left, right, MASTER_CEILING);
    for (size_t n = 0; n < left.size(); ++n) {
        ASSERT_LE(std::fabs(left[n]), MASTER_CEILING) << "frame " << n;
        ASSERT_LE(std::fabs(right[n]), MASTER_CEILING) << "frame " << n;
    }
    // Well before the burst nothing changes; half a second after it the
    // gain has recovered.
    for (size_t n = 0; n < (size_t)(0.9 * MUSIC_RATE); ++n)
        ASSERT_EQ(left[n], originalLeft[n]) << "frame " << n;
    for (size_t n = (size_t)(1.6 * MUSIC_RATE); n < left.size(); ++n)
        ASSERT_NEAR(left[n], originalLeft[n], 0.01f * 0.3f) << "frame " << n;
    // During the burst the right channel is turned down with the left.
    size_t middle = (size_t)(1.05 * MUSIC_RATE);
    double sumRight = 0.0, sumOriginal = 0.0;
    for (size_t n = middle - 441; n < middle + 441; ++n) {
        sumRight += std::fabs(right[n]);
        sumOriginal += std::fabs(originalRight[n]);
    }
    EXPECT_LT(sumRight, 0.6 * sumOriginal);
}

TEST(MusicLimiter, LeavesASignalUnderTheCeilingUntouched)
{
    std::vector<float> left(MUSIC_RATE), right(MUSIC_RATE);
    for (size_t n = 0; n < left.size(); ++n) {
        left[n] = 0.7f * (float)std::sin(0.05 * n);
        right[n] = -left[n];
    }
    std::vector<float> originalLeft = left, originalRight = right;
    LimitPeaks(left, right, MASTER_CEILING);
    EXPECT_EQ(left, originalLeft);
    EXPECT_EQ(right, originalRight);
}
