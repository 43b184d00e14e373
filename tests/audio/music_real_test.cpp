// The music on our real sound library under SDL's dummy driver: the show's
// file opened from the working directory, played and sampled; a missing
// file and a missing device with their messages, and the shell's teardown
// calls made after those failures without harm.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "audio/music.h"
#include "ogg_test_file.h"
#include "platform/data_folder.h"
#include "platform/message_record.h"
#include "soundlib/bass.h"

namespace {

// Runs each test in a scratch working directory of its own.
class MusicOnLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = std::filesystem::current_path();
        folder = MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::current_path(folder);
        ClearShownMessages();
        // As at the start of the process.
        g_musicStream = 0;
        std::memset(g_spectrumFrame, 0, sizeof(g_spectrumFrame));
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous);
        RemoveScratchFolder(folder);
    }

    // The shell's teardown after the pump: stop, free the stream, free the
    // device. Returns BASS_Free's result.
    BOOL TearDownLikeTheShell()
    {
        BASS_ChannelStop(g_musicStream);
        BASS_StreamFree(g_musicStream);
        return BASS_Free();
    }

    std::filesystem::path previous;
    std::string folder;
};

TEST_F(MusicOnLibraryTest, PlaysTheShowsFileAndHearsItsSpectrum)
{
    std::filesystem::create_directories("data");
    // A tone centred on bin 64 at half scale.
    ASSERT_TRUE(WriteOggVorbisFile(MUSIC_FILE, MakeSineAudio(3.0, 2, 44100, 64.0 * 44100 / 1024, 0.5), 0.8f));
    ASSERT_TRUE(InitMusic());
    EXPECT_EQ(CountShownMessages(), 0);
    ASSERT_TRUE(BASS_ChannelPlay(g_musicStream, TRUE));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    float level = SampleSpectrum();
    EXPECT_NEAR(g_spectrumFrame[64], 0.25f, 0.03f);
    EXPECT_NEAR(level, 0.5f, 0.1f);   // three bins: 0.125 + 0.25 + 0.125
    EXPECT_TRUE(TearDownLikeTheShell());
}

TEST_F(MusicOnLibraryTest, MissingFileThenTeardownDoesNoHarm)
{
    EXPECT_FALSE(InitMusic());
    ASSERT_EQ(CountShownMessages(), 1);
    EXPECT_STREQ(GetShownMessage(0)->text, "Music opening error");
    EXPECT_EQ(std::string(GetShownMessage(0)->file), ResolveContentPath(MUSIC_FILE));
    EXPECT_EQ(g_musicStream, 0u);
    // The shell plays regardless, which fails ("Music play error" is its own).
    EXPECT_FALSE(BASS_ChannelPlay(g_musicStream, TRUE));
    // Every level is 0 in the silent show.
    EXPECT_EQ(SampleSpectrum(), 0.0f);
    // Stop and free fail without effect; the device is released.
    EXPECT_TRUE(TearDownLikeTheShell());
    // So the next window can open it again.
    ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_TRUE(BASS_Free());
}

TEST_F(MusicOnLibraryTest, NoDeviceShowsBassInitErrorAndTeardownDoesNoHarm)
{
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    std::string kept = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(InitMusic());
    if (saved)
        setenv("SDL_AUDIODRIVER", kept.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    ASSERT_EQ(CountShownMessages(), 1);
    EXPECT_STREQ(GetShownMessage(0)->text, "Bass init error");
    EXPECT_EQ(g_musicStream, 0u);
    // No device was opened, so there is none to free.
    EXPECT_FALSE(TearDownLikeTheShell());
}

} // namespace
