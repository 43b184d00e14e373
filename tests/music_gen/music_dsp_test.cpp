// The track's clock and building blocks: bars fall on the show's scene
// changes, the music runs 0.3 s behind the demo clock, off-beats swing, and
// the filters and oscillators behave as the instruments assume.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tools/content/music/music_dsp.h"

TEST(MusicClock, BarsLineUpWithTheScenesAndTheMusicRunsBehindTheDemoClock)
{
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(0, 0), 2.0);    // the squares' first frame
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(11, 0), 24.0);  // the sphere
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(30, 4), 62.5);  // the split, second beat of bar 30
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(79, 0), 160.0); // the outro
    EXPECT_EQ(SampleAtDemoTime(0.3), 0);
    EXPECT_EQ(SampleAtDemoTime(2.0), 74970);        // 1.7 s of music
    EXPECT_EQ(MusicFrameCount(), 7938000u);         // 180 s
}

TEST(MusicClock, OnlyOffBeatSixteenthsSwing)
{
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(0, 2), 2.25);
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(0, 1), 2.125 + SWING_SECONDS);
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(0, 15), 3.875 + SWING_SECONDS);
    EXPECT_DOUBLE_EQ(DemoTimeOfStep(0, 1.5), 2.1875);  // placed as given
}

TEST(MusicBlocks, NotesSinesAndSawsStayInTune)
{
    EXPECT_NEAR(NoteHz(69), 440.0, 1e-9);
    EXPECT_NEAR(NoteHz(57), 220.0, 1e-9);
    EXPECT_NEAR(SineTurns(0.25), 1.0f, 1e-4f);
    EXPECT_NEAR(SineTurns(-0.25), -1.0f, 1e-4f);
    EXPECT_NEAR(SineTurns(-1e-17), 0.0f, 1e-4f);  // wraps to a whole turn: the table's end
    double increment = NoteHz(45) / MUSIC_RATE;
    double phase = 0.0, mean = 0.0;
    int period = (int)std::round(1.0 / increment) * 20;
    for (int n = 0; n < period; ++n) {
        phase += increment;
        if (phase >= 1.0) phase -= 1.0;
        float saw = SawSample(phase, increment);
        ASSERT_LE(std::fabs(saw), 1.1f);
        mean += saw;
    }
    EXPECT_NEAR(mean / period, 0.0, 0.02);
}

// Amplitude after a filter of a sine at `hz`, once it has settled.
static double FilteredAmplitude(double cutoff, double hz, bool low)
{
    Svf filter;
    TuneSvf(filter, cutoff, 0.707);
    double peak = 0.0;
    for (int n = 0; n < MUSIC_RATE / 2; ++n) {
        float x = (float)std::sin(2.0 * 3.14159265358979 * hz * n / MUSIC_RATE);
        float y = low ? LowPass(filter, x) : HighPass(filter, x);
        if (n > MUSIC_RATE / 4) peak = std::max(peak, (double)std::fabs(y));
    }
    return peak;
}

TEST(MusicBlocks, FiltersPassTheirBandAndCutTheOther)
{
    EXPECT_NEAR(FilteredAmplitude(2000.0, 100.0, true), 1.0, 0.02);
    EXPECT_LT(FilteredAmplitude(2000.0, 16000.0, true), 0.03);
    EXPECT_NEAR(FilteredAmplitude(2000.0, 16000.0, false), 1.0, 0.05);
    EXPECT_LT(FilteredAmplitude(2000.0, 100.0, false), 0.01);
    // A cutoff above Nyquist is held below it rather than blowing up.
    EXPECT_LT(FilteredAmplitude(40000.0, 1000.0, true), 1.1);
}
