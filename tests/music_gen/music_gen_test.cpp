// The show's track as the generator writes it. One render takes several
// seconds, so the whole track is checked in one test: two renders give the
// same bytes; the file is 180 s of 44.1 kHz stereo, peaks at or under
// -1 dBFS and is silent in its last second; the spectrum level gathers
// between 60 and 450 squares in the beat (never the 500 the scene holds)
// and keeps the sphere halves' lift (level / 3) within 0.05..0.7 on at
// least 90 % of the sphere's frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/content/music/music_gen.h"
#include "tools/content/music/music_measure.h"

// The whole content of a file ("" when it cannot be read).
static std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(MusicGen, TrackIsReproducibleAndMeetsTheScenesTargets)
{
    const std::string first = "music_gen_test_first.ogg";
    const std::string second = "music_gen_test_second.ogg";
    ASSERT_TRUE(GenerateMusic(first.c_str()));
    ASSERT_TRUE(GenerateMusic(second.c_str()));
    std::string bytes = ReadFileBytes(first);
    EXPECT_GT(bytes.size(), 100000u);
    EXPECT_TRUE(bytes == ReadFileBytes(second)) << "two renders differ";

    DecodedTrack track;
    ASSERT_TRUE(DecodeOggFile(first.c_str(), &track));
    MusicFigures f = MeasureTrack(track, first.c_str());
    EXPECT_TRUE(f.fromLibrary) << "the sound library could not open the track";
    EXPECT_EQ(f.rate, 44100);
    EXPECT_EQ(f.channels, 2);
    EXPECT_NEAR(f.seconds, 180.0, 0.05);
    EXPECT_LE(20.0 * std::log10(f.peak), -1.0) << "peak " << f.peak;
    EXPECT_LT(f.tailPeak, 0.001f) << "the last second is not silent";
    EXPECT_GE(f.beatFramesLoud, 60);
    EXPECT_LE(f.beatFramesLoud, 450);
    EXPECT_EQ(f.beatFrames, 1320);
    EXPECT_EQ(f.sphereFrames, 2310);
    EXPECT_GE(f.sphereFramesInRange, (int)std::ceil(0.9 * f.sphereFrames));

    // The split's hit: a breath on the bar's first beat, then the level
    // jumps at 62.5 s.
    float breath = 0.0f, hit = 0.0f;
    for (int k = FrameAtDemoTime(62.2); k < FrameAtDemoTime(62.45); ++k)
        breath = std::max(breath, f.levels[(size_t)k]);
    for (int k = FrameAtDemoTime(62.5); k < FrameAtDemoTime(62.6); ++k)
        hit = std::max(hit, f.levels[(size_t)k]);
    EXPECT_GT(hit, 2.0f * breath) << "no hit at the split";

    // The library's levels are the ones measured here from the decoded
    // samples (its decoder and 16-bit samples differ only in rounding), so
    // the figures above hold for the show.
    std::vector<float> mono = MixToMono(track);
    int worst = -1;
    float worstGap = 0.0f;
    for (int k = 0; k < (int)f.levels.size(); k += 7) {
        long position = (long)std::floor((double)k / SHOW_FPS * 44100.0 + 0.5);
        float gap = std::fabs(f.levels[(size_t)k] - MeasureLevel(mono, position));
        if (gap > worstGap) { worstGap = gap; worst = k; }
    }
    EXPECT_LT(worstGap, 0.002f) << "at frame " << worst;

    std::remove(first.c_str());
    std::remove(second.c_str());
}

TEST(MusicGen, UnwritablePathFailsAndLeavesNoFile)
{
    const char* path = "no_such_directory/track.ogg";
    EXPECT_FALSE(GenerateMusic(path));
    std::ifstream in(path);
    EXPECT_FALSE(in.good());
}
