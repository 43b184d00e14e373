// Jumps in streams whose granule positions lie (all -1 but the last, random,
// shifted past 2^31, wrapping past 2^64) or legally start late (at
// 1,000,000): every jump reads what reading the clean file from its start
// reads there, the length counts from the first sample, and a run of jumps
// one second apart decodes each stretch about once, not again from the start.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ogg_rewrite.h"
#include "ogg_test_file.h"
#include "soundlib/bass.h"
#include "soundlib/sound_source.h"
#include "soundlib/vorbis_stream.h"

namespace {

typedef std::vector<unsigned char> Bytes;

const int RATE = 44100;
const double SECONDS = 12.0;
const size_t FRAMES = (size_t)(SECONDS * RATE);

struct GranuleCase {
    const char* name;
    std::function<uint64_t(size_t, bool, uint64_t)> change;
};

const GranuleCase GRANULE_CASES[] = {
    {"minus one but the last", [](size_t, bool last, uint64_t g) { return last ? g : ~0ull; }},
    {"random but the last",
     [](size_t i, bool last, uint64_t g) {
         uint64_t x = (i + 1) * 0x9E3779B97F4A7C15ull;
         x ^= x >> 29;
         return last ? g : x * 0xBF58476D1CE4E5B9ull;
     }},
    {"shifted past 2^31", [](size_t, bool, uint64_t g) { return g + (1ull << 31); }},
    {"wrapping past 2^64", [](size_t, bool, uint64_t g) { return g - (uint64_t)(FRAMES / 2); }},
    {"starting at 1,000,000", [](size_t, bool, uint64_t g) { return g + 1000000; }},
};

class SeekTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new std::string(MakeScratchFolder("seek"));
        // A tone under noise, so that every stretch of the file differs.
        TestAudio audio = MakeSineAudio(SECONDS, 1, RATE, 330.0, 0.3);
        AddNoise(audio, 0.3, 3);
        std::string path = *folder + "/clean.ogg";
        ASSERT_TRUE(WriteOggVorbisFile(path, audio, 0.0f));
        clean = new Bytes(ReadBytes(path));
        ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr));
        HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        whole = new std::vector<int16_t>(FRAMES);
        ASSERT_EQ(BASS_ChannelGetData(stream, whole->data(), (DWORD)FRAMES * 2), FRAMES * 2);
        BASS_Free();
    }
    static void TearDownTestSuite() { RemoveScratchFolder(*folder); }
    void SetUp() override { ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    static std::string* folder;
    static Bytes* clean;
    static std::vector<int16_t>* whole;
};

std::string* SeekTest::folder;
Bytes* SeekTest::clean;
std::vector<int16_t>* SeekTest::whole;

// The jumps: one second apart forward, then back and far.
std::vector<size_t> MakeJumps()
{
    std::vector<size_t> jumps;
    for (size_t frame = RATE / 3; frame + 4096 < FRAMES; frame += RATE)
        jumps.push_back(frame);
    for (size_t frame : {FRAMES / 2, (size_t)1000, FRAMES - 5000, (size_t)RATE * 5 + 77, (size_t)0})
        jumps.push_back(frame);
    return jumps;
}

TEST_F(SeekTest, JumpsReadTheCleanFilesSamplesWhateverTheGranulePositions)
{
    std::vector<int16_t> part(4096);
    for (const GranuleCase& damage : GRANULE_CASES) {
        SCOPED_TRACE(damage.name);
        Bytes bytes = RewriteOggGranules(*clean, damage.change);
        HSTREAM stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, (DWORD)bytes.size(), BASS_STREAM_DECODE);
        ASSERT_NE(stream, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(stream), FRAMES * 2);
        for (size_t frame : MakeJumps()) {
            SCOPED_TRACE(frame);
            ASSERT_TRUE(BASS_ChannelSetPosition(stream, frame * 2));
            ASSERT_EQ(BASS_ChannelGetData(stream, part.data(), 4096 * 2), 4096u * 2);
            ASSERT_EQ(std::memcmp(part.data(), &(*whole)[frame], 4096 * 2), 0);
        }
        BASS_StreamFree(stream);
    }
}

TEST_F(SeekTest, JumpsOneSecondApartDecodeEachStretchAboutOnce)
{
    // Decoding again from the start at every jump would decode about six
    // times the file here; from the nearest known page, about once.
    for (const GranuleCase& damage : GRANULE_CASES) {
        SCOPED_TRACE(damage.name);
        Bytes bytes = RewriteOggGranules(*clean, damage.change);
        SoundSource source;
        ASSERT_EQ(CopyMemorySource(bytes.data(), bytes.size(), &source), BASS_OK);
        VorbisStream* stream = nullptr;
        VorbisStreamInfo info;
        ASSERT_EQ(OpenVorbisStream(source, &stream, &info), BASS_OK);
        for (size_t frame : MakeJumps()) {
            SeekVorbisStream(stream, frame);
            float** channels;
            uint64_t first = 0;
            ASSERT_GT(DecodeVorbisFrames(stream, &channels, &first), 0u) << frame;
            ASSERT_EQ(first, frame);
        }
        EXPECT_LT(GetVorbisDecodedFrames(stream), 2 * FRAMES);
        CloseVorbisStream(stream);
    }
}

} // namespace
