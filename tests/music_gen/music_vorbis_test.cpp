// The encoder wrapper: what goes in comes back out (length, channels in
// their places), and the file carries the fixed stream serial that makes
// every run's bytes the same.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/content/music/music_dsp.h"
#include "tools/content/music/music_measure.h"
#include "tools/content/music/music_vorbis.h"

// One second of a 440 Hz tone at half scale on the left, silence on the right.
static std::vector<float> MakeLeftTone()
{
    std::vector<float> interleaved(2 * MUSIC_RATE);
    for (size_t n = 0; n < (size_t)MUSIC_RATE; ++n)
        interleaved[2 * n] = 0.5f * (float)std::sin(2.0 * 3.14159265358979 * 440.0 * n / MUSIC_RATE);
    return interleaved;
}

// Encodes samples into a file; false when the encoder fails.
static bool EncodeToFile(const char* path, const std::vector<float>& interleaved)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool ok = EncodeOggVorbis(file, interleaved.data(), interleaved.size() / 2);
    return std::fclose(file) == 0 && ok;
}

// The bytes of a file.
static std::string ReadBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(MusicVorbis, RoundTripKeepsLengthAndChannels)
{
    const char* path = "music_vorbis_test_tone.ogg";
    ASSERT_TRUE(EncodeToFile(path, MakeLeftTone()));
    DecodedTrack track;
    ASSERT_TRUE(DecodeOggFile(path, &track));
    EXPECT_EQ(track.channels, 2);
    EXPECT_EQ(track.rate, 44100);
    ASSERT_EQ(track.samples.size(), (size_t)(2 * MUSIC_RATE));
    double left = 0.0, right = 0.0;
    for (size_t n = 0; n < (size_t)MUSIC_RATE; ++n) {
        left += track.samples[2 * n] * track.samples[2 * n];
        right += track.samples[2 * n + 1] * track.samples[2 * n + 1];
    }
    EXPECT_NEAR(std::sqrt(left / MUSIC_RATE), 0.5 / std::sqrt(2.0), 0.02);
    EXPECT_LT(std::sqrt(right / MUSIC_RATE), 0.005);
    std::remove(path);
}

TEST(MusicVorbis, SameSamplesGiveSameBytesWithTheFixedSerial)
{
    const char* first = "music_vorbis_test_a.ogg";
    const char* second = "music_vorbis_test_b.ogg";
    ASSERT_TRUE(EncodeToFile(first, MakeLeftTone()));
    ASSERT_TRUE(EncodeToFile(second, MakeLeftTone()));
    std::string bytes = ReadBytes(first);
    EXPECT_TRUE(bytes == ReadBytes(second));
    // First page: "OggS", then the stream serial, little-endian, at byte 14.
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(bytes.substr(0, 4), "OggS");
    unsigned serial = (unsigned char)bytes[14] | (unsigned char)bytes[15] << 8 |
                      (unsigned char)bytes[16] << 16 | (unsigned)(unsigned char)bytes[17] << 24;
    EXPECT_EQ(serial, 0x48414C56u);
    std::remove(first);
    std::remove(second);
}
