// The level measure itself: the scale the scenes' thresholds were set
// against (a full-scale sine centred on a bin reads 0.5, its neighbours
// about 0.25), silence, and the edges of the track.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/content/music/music_measure.h"

// A sine of amplitude `amplitude` whose frequency sits on FFT bin `bin`.
static std::vector<float> MakeBinSine(int bin, float amplitude, size_t frames)
{
    std::vector<float> mono(frames);
    for (size_t n = 0; n < frames; ++n)
        mono[n] = amplitude * (float)std::sin(2.0 * 3.14159265358979 * bin * (double)n / LEVEL_FFT_SIZE);
    return mono;
}

TEST(MusicMeasure, SineOnABinReadsHalfItsAmplitudeWithHannNeighbours)
{
    std::vector<float> mono = MakeBinSine(64, 1.0f, 4096);
    float bins[LEVEL_BINS];
    MeasureSpectrum(mono, 1000, bins);
    EXPECT_NEAR(bins[64], 0.5f, 1e-4f);
    EXPECT_NEAR(bins[63], 0.25f, 1e-4f);
    EXPECT_NEAR(bins[65], 0.25f, 1e-4f);
    EXPECT_NEAR(bins[10], 0.0f, 1e-4f);
    EXPECT_NEAR(MeasureLevel(mono, 1000), 1.0f, 1e-3f);
    // The level is linear in the amplitude: half the sine, half the level.
    EXPECT_NEAR(MeasureLevel(MakeBinSine(64, 0.5f, 4096), 1000), 0.5f, 1e-3f);
}

TEST(MusicMeasure, SilenceAndSamplesPastTheEndReadZero)
{
    std::vector<float> silence(4096, 0.0f);
    EXPECT_EQ(MeasureLevel(silence, 0), 0.0f);
    std::vector<float> mono = MakeBinSine(32, 1.0f, 2048);
    // Wholly past the end: silence, not a read beyond the samples.
    EXPECT_EQ(MeasureLevel(mono, 2048), 0.0f);
    // Half the window inside: the cut sine still reads (its edge spreads
    // over many bins, so no tighter bound holds).
    EXPECT_GT(MeasureLevel(mono, 1536), 0.1f);
}

TEST(MusicMeasure, FramesMapToDemoTimeWithTheMusicsOffset)
{
    EXPECT_EQ(FrameAtDemoTime(0.3), 0);
    EXPECT_EQ(FrameAtDemoTime(2.0), 102);
    EXPECT_EQ(FrameAtDemoTime(24.0), 1422);
    EXPECT_NEAR(DemoTimeOfFrame(102), 2.0, 1e-9);
}

TEST(MusicMeasure, MissingFileIsNotDecoded)
{
    DecodedTrack track;
    EXPECT_FALSE(DecodeOggFile("no such file.ogg", &track));
}
