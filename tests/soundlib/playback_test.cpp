// Played streams: positions that advance in real time on the "no sound"
// device and under SDL's dummy driver, restart, stop and resume, the end of
// the file, and a missing output device.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ogg_test_file.h"
#include "soundlib/bass.h"

namespace {

const int RATE = 44100;
const double STEREO_SECOND = 176400.0;

using Clock = std::chrono::steady_clock;

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// How fast a playing stream's position moves against the wall clock, over
// `ms` milliseconds (1.0 = real time).
double MeasurePlayRate(HSTREAM stream, int ms)
{
    Clock::time_point t0 = Clock::now();
    QWORD p0 = BASS_ChannelGetPosition(stream);
    SleepMs(ms);
    Clock::time_point t1 = Clock::now();
    QWORD p1 = BASS_ChannelGetPosition(stream);
    double seconds = std::chrono::duration<double>(t1 - t0).count();
    return (double)(p1 - p0) / STEREO_SECOND / seconds;
}

// One shared 8-second file for the tests of this file.
class PlaybackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new std::string(MakeScratchFolder("playback"));
        longFile = new std::string(*folder + "/long.ogg");
        shortFile = new std::string(*folder + "/short.ogg");
        ASSERT_TRUE(WriteOggVorbisFile(*longFile, MakeSineAudio(8.0, 2, RATE, 440.0, 0.3), 0.2f));
        ASSERT_TRUE(WriteOggVorbisFile(*shortFile, MakeSineAudio(0.25, 2, RATE, 440.0, 0.3), 0.2f));
    }
    static void TearDownTestSuite() { RemoveScratchFolder(*folder); }
    void TearDown() override { BASS_Free(); }

    static std::string* folder;
    static std::string* longFile;
    static std::string* shortFile;
};

std::string* PlaybackTest::folder;
std::string* PlaybackTest::longFile;
std::string* PlaybackTest::shortFile;

TEST_F(PlaybackTest, NoSoundDevicePlaysByTheClock)
{
    ASSERT_TRUE(BASS_Init(0, RATE, BASS_DEVICE_3D, nullptr, nullptr));
    HSTREAM stream = BASS_StreamCreateFile(FALSE, longFile->c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    SleepMs(100);   // time before play does not count
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_LT(BASS_ChannelGetPosition(stream), 4000u);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
    EXPECT_NEAR(MeasurePlayRate(stream, 600), 1.0, 0.02);

    // Restart goes back to the beginning.
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_LT(BASS_ChannelGetPosition(stream), 4000u);

    // Stop keeps the position; play without restart resumes there.
    SleepMs(300);
    ASSERT_TRUE(BASS_ChannelStop(stream));
    QWORD stopped = BASS_ChannelGetPosition(stream);
    EXPECT_NEAR(stopped / STEREO_SECOND, 0.3, 0.1);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    SleepMs(200);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), stopped);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    SleepMs(200);
    EXPECT_NEAR((BASS_ChannelGetPosition(stream) - stopped) / STEREO_SECOND, 0.2, 0.05);

    // A jump while playing goes on from there.
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 5 * 176400));
    SleepMs(100);
    EXPECT_NEAR(BASS_ChannelGetPosition(stream) / STEREO_SECOND, 5.1, 0.05);

    // The spectrum of a playing stream is the music's (a 440 Hz tone: bin 10).
    float spectrum[512];
    ASSERT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u);
    EXPECT_GT(spectrum[10], 0.05f);
    EXPECT_LT(spectrum[100], 0.01f);
}

TEST_F(PlaybackTest, PlayedStreamStopsAtItsEnd)
{
    ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr));
    HSTREAM stream = BASS_StreamCreateFile(FALSE, shortFile->c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    SleepMs(400);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), BASS_ChannelGetLength(stream));
    float spectrum[512];
    std::fill(spectrum, spectrum + 512, 3.0f);
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 0xFFFFFFFFu);
    EXPECT_EQ(spectrum[0], 3.0f);
    EXPECT_EQ(spectrum[511], 3.0f);
    // Restart plays it again.
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
}

TEST_F(PlaybackTest, DummyDriverPlaysInRealTime)
{
    // SDL_AUDIODRIVER=dummy comes from the test's environment.
    ASSERT_TRUE(BASS_Init(-1, RATE, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    HSTREAM stream = BASS_StreamCreateFile(FALSE, longFile->c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    // Nothing is heard before the output's latency has passed.
    EXPECT_LT(BASS_ChannelGetPosition(stream) / STEREO_SECOND, 0.01);
    SleepMs(300);
    double rate = MeasurePlayRate(stream, 2000);
    EXPECT_NEAR(rate, 1.0, 0.02);

    // Read as often as the show does, the position never goes back, though
    // the output thread moves it on between the reads.
    QWORD last = BASS_ChannelGetPosition(stream);
    Clock::time_point until = Clock::now() + std::chrono::milliseconds(300);
    int reads = 0;
    while (Clock::now() < until) {
        QWORD now = BASS_ChannelGetPosition(stream);
        ASSERT_GE(now, last) << "after " << reads << " reads";
        last = now;
        ++reads;
    }

    // Restart starts again at 0.
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_LT(BASS_ChannelGetPosition(stream) / STEREO_SECOND, 0.01);
    SleepMs(500);
    double after = BASS_ChannelGetPosition(stream) / STEREO_SECOND;
    EXPECT_GT(after, 0.3);
    EXPECT_LT(after, 0.55);
    EXPECT_TRUE(BASS_ChannelStop(stream));
    EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(PlaybackTest, StreamOfAnotherRateKeepsItsOwnPositions)
{
    // 22.05 kHz mono on a 44.1 kHz mix: two bytes a frame, 22050 frames a
    // second of play, resampled on the way to the output.
    std::string path = *folder + "/low.ogg";
    ASSERT_TRUE(WriteOggVorbisFile(path, MakeSineAudio(3.0, 1, 22050, 440.0, 0.3), 0.2f));
    for (int device : {0, -1}) {
        SCOPED_TRACE(device);
        ASSERT_TRUE(BASS_Init(device, RATE, 0, nullptr, nullptr));
        HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(stream), 3u * 22050 * 2);
        ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
        SleepMs(300);
        Clock::time_point t0 = Clock::now();
        QWORD p0 = BASS_ChannelGetPosition(stream);
        SleepMs(1000);
        double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        double played = (double)(BASS_ChannelGetPosition(stream) - p0) / (22050 * 2);
        EXPECT_NEAR(played / seconds, 1.0, device == 0 ? 0.01 : 0.04);
        BASS_Free();
    }
}

// Sets an environment variable for one scope, restoring the old value.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        const char* old = std::getenv(name);
        hadValue_ = old != nullptr;
        if (old)
            old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnvironment()
    {
        if (hadValue_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool hadValue_;
};

TEST_F(PlaybackTest, MixWritesTheStreamToTheOutput)
{
    // SDL's disk driver writes what it is given to a file: a 22.05 kHz mono
    // sine must come out at 44.1 kHz in both channels, same pitch and level.
    std::string path = *folder + "/tone.ogg";
    ASSERT_TRUE(WriteOggVorbisFile(path, MakeSineAudio(2.0, 1, 22050, 441.0, 0.5), 0.6f));
    std::string output = *folder + "/output.raw";
    {
        ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
        ScopedEnvironment file("SDL_DISKAUDIOFILE", output.c_str());
        ASSERT_TRUE(BASS_Init(-1, RATE, 0, nullptr, nullptr));
        HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u);
        ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
        SleepMs(700);
        BASS_Free();
    }
    std::vector<unsigned char> bytes = ReadBytes(output);
    const int16_t* frames = (const int16_t*)bytes.data();
    size_t count = bytes.size() / 4;
    // Skip the silence before play began, and the encoder's fade-in.
    size_t start = 0;
    while (start < count && frames[2 * start] == 0 && frames[2 * start + 1] == 0)
        ++start;
    start += 2048;
    ASSERT_GT(count, start + 8820) << "too little output";
    int crossings = 0, peak = 0;
    for (size_t i = start; i < start + 8820; ++i) {   // 0.2 s
        EXPECT_EQ(frames[2 * i], frames[2 * i + 1]) << "frame " << i;
        if (i > start && (frames[2 * i - 2] < 0) != (frames[2 * i] < 0))
            ++crossings;
        peak = std::max(peak, std::abs((int)frames[2 * i]));
        if (HasFailure())
            break;
    }
    EXPECT_NEAR(crossings, 2 * 441 / 5, 3);   // 441 Hz for 0.2 s
    EXPECT_NEAR(peak, 16384, 1200);
}

TEST_F(PlaybackTest, NoOutputDeviceMakesInitFail)
{
    // An audio driver that does not exist stands for a machine without one.
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    std::string previous = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(-1, RATE, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    EXPECT_FALSE(BASS_Free());
    if (saved)
        setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    // And the device can be opened afterwards.
    ASSERT_TRUE(BASS_Init(-1, RATE, 0, nullptr, nullptr));
}

} // namespace
