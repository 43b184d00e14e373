// The music's calls against a recording stand-in for the sound library: the
// version gate, the exact arguments, the three messages, the stream handle
// after a failed open, the teardown's order, and the spectrum level (a failed request repeats the
// last level; the sum runs in index order in single precision).
#include <gtest/gtest.h>

#include <cstring>

#include "audio/music.h"
#include "fake_bass.h"
#include "platform/message_box.h"
#include "platform/message_record.h"

namespace {

class MusicCallsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFakeBass();
        ClearShownMessages();
        g_musicStream = 0;
        std::memset(g_spectrumFrame, 0, sizeof(g_spectrumFrame));
    }

    // Expects exactly one message, with no caption and an OK button only.
    void ExpectOnlyMessage(const char* text)
    {
        ASSERT_EQ(CountShownMessages(), 1);
        EXPECT_STREQ(GetShownMessage(0)->text, text);
        EXPECT_STREQ(GetShownMessage(0)->caption, "");
        EXPECT_EQ(GetShownMessage(0)->flags, (unsigned)MESSAGE_OK);
    }
};

TEST_F(MusicCallsTest, OpensTheDeviceAndTheFileWithTheExactArguments)
{
    EXPECT_TRUE(InitMusic());
    EXPECT_EQ(CountShownMessages(), 0);
    ASSERT_EQ(g_fakeBass.calls.size(), 3u);
    EXPECT_EQ(g_fakeBass.calls[0], "BASS_GetVersion()");
    EXPECT_EQ(g_fakeBass.calls[1], "BASS_Init(-1,44100,4,0,0)");
    EXPECT_EQ(g_fakeBass.calls[2], "BASS_StreamCreateFile(0,data/vx - orrin lumo.ogg,0,0,0)");
    EXPECT_EQ(g_musicStream, 0x1234u);
}

TEST_F(MusicCallsTest, TeardownStopsAndFreesTheStreamThenClosesTheDevice)
{
    ASSERT_TRUE(InitMusic());
    g_fakeBass.calls.clear();
    FreeMusic();
    const std::vector<std::string> expected = {
        "BASS_ChannelStop(4660)", "BASS_StreamFree(4660)", "BASS_Free()" };
    EXPECT_EQ(g_fakeBass.calls, expected);
}

TEST_F(MusicCallsTest, AnyRevisionOfInterfaceTwoPointThreeIsAccepted)
{
    for (DWORD version : {0x02030000u, 0x02030009u, 0x0203FFFFu}) {
        SetUp();
        g_fakeBass.version = version;
        EXPECT_TRUE(InitMusic()) << std::hex << version;
        EXPECT_TRUE(FakeBassWasCalled("BASS_Init(")) << std::hex << version;
    }
}

TEST_F(MusicCallsTest, OtherVersionsAreRefusedBeforeAnyDeviceIsOpened)
{
    // 2.4, 2.2, 3.3, and 0x0203 only in the lower half-word.
    for (DWORD version : {0x02040000u, 0x02020000u, 0x03030000u, 0x00000203u, 0x00020300u}) {
        SetUp();
        g_fakeBass.version = version;
        EXPECT_FALSE(InitMusic()) << std::hex << version;
        ExpectOnlyMessage("Bass version error");
        EXPECT_FALSE(FakeBassWasCalled("BASS_Init(")) << std::hex << version;
        EXPECT_EQ(g_musicStream, 0u);
    }
}

TEST_F(MusicCallsTest, NoDeviceShowsBassInitError)
{
    g_fakeBass.initResult = FALSE;
    EXPECT_FALSE(InitMusic());
    ExpectOnlyMessage("Bass init error");
    EXPECT_FALSE(FakeBassWasCalled("BASS_StreamCreateFile("));
    EXPECT_EQ(g_musicStream, 0u);
}

TEST_F(MusicCallsTest, MissingFileShowsMusicOpeningErrorAndClearsTheHandle)
{
    g_musicStream = 99;   // a handle from an earlier window
    g_fakeBass.openResult = 0;
    EXPECT_FALSE(InitMusic());
    ExpectOnlyMessage("Music opening error");
    EXPECT_EQ(g_musicStream, 0u);
}

TEST_F(MusicCallsTest, SpectrumRequestAsksForTheFftIntoTheFrame)
{
    g_musicStream = 0x1234u;
    for (int i = 0; i < 512; ++i)
        g_fakeBass.frame[i] = 0.25f;
    EXPECT_EQ(SampleSpectrum(), 128.0f);
    ASSERT_EQ(g_fakeBass.calls.size(), 1u);
    EXPECT_EQ(g_fakeBass.calls[0], "BASS_ChannelGetData(4660,frame,0x80000001)");
    // Every request asks afresh.
    SampleSpectrum();
    EXPECT_EQ(g_fakeBass.calls.size(), 2u);
}

TEST_F(MusicCallsTest, FailedRequestRepeatsThePreviousLevel)
{
    // No stream at all: every level is exactly 0.
    g_fakeBass.requestFails = true;
    EXPECT_EQ(SampleSpectrum(), 0.0f);

    g_fakeBass.requestFails = false;
    for (int i = 0; i < 512; ++i)
        g_fakeBass.frame[i] = 0.001f * (float)(i % 7);
    float level = SampleSpectrum();
    EXPECT_GT(level, 0.0f);
    g_fakeBass.requestFails = true;
    EXPECT_EQ(SampleSpectrum(), level);
    EXPECT_EQ(g_spectrumFrame[6], 0.006f);
}

TEST_F(MusicCallsTest, LevelIsTheSingleRunningSumInIndexOrder)
{
    // 510 ones, then +1e8 and -1e8. In index order in single precision the
    // ones survive as 512 (510 + 1e8 rounds to 100000512); summed backwards
    // or in double precision they would give 510.
    for (int i = 0; i < 510; ++i)
        g_fakeBass.frame[i] = 1.0f;
    g_fakeBass.frame[510] = 1e8f;
    g_fakeBass.frame[511] = -1e8f;
    EXPECT_EQ(SampleSpectrum(), 512.0f);
}

} // namespace
