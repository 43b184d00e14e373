// Played streams: on the "no sound" device against a clock the tests step
// (exact positions for play, restart, stop and resume, jumps, the end of
// the file, another sample rate), and under SDL's dummy and disk drivers
// (the one loose real-time check, the mixed output, a missing device).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ogg_test_file.h"
#include "soundlib/bass.h"
#include "soundlib/sound_clock.h"

namespace {

const int RATE = 44100;
const QWORD STEREO_SECOND = 176400;

using Clock = std::chrono::steady_clock;

// The clock the "no sound" tests play by; it moves only when stepped.
std::atomic<int64_t> s_steppedNs{0};

int64_t ReadSteppedClock()
{
    return s_steppedNs.load();
}

void StepClockMs(int ms)
{
    s_steppedNs += (int64_t)ms * 1000000;
}

// Bytes of 44.1 kHz stereo in `ms` milliseconds, a multiple of 10 (a whole
// number of frames).
QWORD StereoBytes(int ms)
{
    return (QWORD)ms / 10 * 441 * 4;
}

// One shared 8-second file and a quarter-second one for the tests of this
// file; each test runs on the stepped clock unless it restores the real one.
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
    void SetUp() override
    {
        s_steppedNs = 1000000000;
        SetSoundClock(ReadSteppedClock);
    }
    void TearDown() override
    {
        BASS_Free();
        SetSoundClock(nullptr);
    }

    static std::string* folder;
    static std::string* longFile;
    static std::string* shortFile;
};

std::string* PlaybackTest::folder;
std::string* PlaybackTest::longFile;
std::string* PlaybackTest::shortFile;

TEST_F(PlaybackTest, NoSoundDevicePlaysExactlyByTheClock)
{
    ASSERT_TRUE(BASS_Init(0, RATE, BASS_DEVICE_3D, nullptr, nullptr));
    HSTREAM stream = BASS_StreamCreateFile(FALSE, longFile->c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    StepClockMs(100);   // time before play does not count
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 0u);

    // Each step: what the test does, then where the stream must be heard.
    struct Step {
        const char* what;
        int playMode;       // -1 nothing, 0 play (resume), 1 play (restart), 2 stop
        QWORD jumpTo;       // set the position first (~0: no jump)
        int clockMs;        // then the clock moves on
        QWORD expected;
        DWORD active;
    };
    const QWORD NO_JUMP = ~0ull;
    const Step steps[] = {
        {"play", 1, NO_JUMP, 0, 0, BASS_ACTIVE_PLAYING},
        {"plays in time", -1, NO_JUMP, 600, StereoBytes(600), BASS_ACTIVE_PLAYING},
        {"odd step", -1, NO_JUMP, 1230, StereoBytes(1830), BASS_ACTIVE_PLAYING},
        {"restart", 1, NO_JUMP, 0, 0, BASS_ACTIVE_PLAYING},
        {"after restart", -1, NO_JUMP, 300, StereoBytes(300), BASS_ACTIVE_PLAYING},
        {"stop keeps the position", 2, NO_JUMP, 200, StereoBytes(300), BASS_ACTIVE_STOPPED},
        {"resume", 0, NO_JUMP, 200, StereoBytes(500), BASS_ACTIVE_PLAYING},
        {"jump while playing", -1, 5 * STEREO_SECOND, 100, StereoBytes(5100), BASS_ACTIVE_PLAYING},
        {"jump while stopped", 2, STEREO_SECOND, 500, STEREO_SECOND, BASS_ACTIVE_STOPPED},
        {"resume at the jump", 0, NO_JUMP, 250, StereoBytes(1250), BASS_ACTIVE_PLAYING},
        {"play on to the end", -1, NO_JUMP, 9000, 8 * STEREO_SECOND, BASS_ACTIVE_STOPPED},
        {"restart after the end", 1, NO_JUMP, 10, StereoBytes(10), BASS_ACTIVE_PLAYING},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.playMode == 2) {
            ASSERT_TRUE(BASS_ChannelStop(stream));
        }
        if (step.jumpTo != NO_JUMP) {
            ASSERT_TRUE(BASS_ChannelSetPosition(stream, step.jumpTo));
        }
        if (step.playMode == 0 || step.playMode == 1) {
            ASSERT_TRUE(BASS_ChannelPlay(stream, step.playMode == 1));
        }
        StepClockMs(step.clockMs);
        EXPECT_EQ(BASS_ChannelGetPosition(stream), step.expected);
        EXPECT_EQ(BASS_ChannelIsActive(stream), step.active);
    }

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
    StepClockMs(240);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
    StepClockMs(20);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), BASS_ChannelGetLength(stream));
    float spectrum[512];
    std::fill(spectrum, spectrum + 512, 3.0f);
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    EXPECT_EQ(spectrum[0], 3.0f);
    EXPECT_EQ(spectrum[511], 3.0f);
    // Restart plays it again.
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
}

TEST_F(PlaybackTest, StreamOfAnotherRateKeepsItsOwnPositions)
{
    // 22.05 kHz mono on a 44.1 kHz mix: two bytes a frame, 22050 frames a
    // second of play, resampled on the way to the output.
    std::string path = *folder + "/low.ogg";
    ASSERT_TRUE(WriteOggVorbisFile(path, MakeSineAudio(3.0, 1, 22050, 440.0, 0.3), 0.2f));
    ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr));
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stream), 3u * 22050 * 2);
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    StepClockMs(1000);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 22050u * 2);
    StepClockMs(1500);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 22050u * 5);
}

TEST_F(PlaybackTest, DummyDriverPlaysInRealTime)
{
    // The one check against the real clock, loose enough for a busy
    // machine: from the start and after a jump while playing, the position
    // moves on, never goes back, never runs ahead of the time that has
    // passed, and the spectrum of what is heard is there at every read.
    // SDL_AUDIODRIVER=dummy comes from the test's environment.
    SetSoundClock(nullptr);
    ASSERT_TRUE(BASS_Init(-1, RATE, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    HSTREAM stream = BASS_StreamCreateFile(FALSE, longFile->c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    float spectrum[512];
    for (QWORD from : {(QWORD)0, 4 * STEREO_SECOND}) {
        SCOPED_TRACE(from);
        Clock::time_point start = Clock::now();
        if (from == 0) {
            ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
        } else {
            ASSERT_TRUE(BASS_ChannelSetPosition(stream, from));
        }
        QWORD last = BASS_ChannelGetPosition(stream);
        ASSERT_GE(last, from);
        while (last < from + STEREO_SECOND / 2 && Clock::now() - start < std::chrono::seconds(30)) {
            QWORD now = BASS_ChannelGetPosition(stream);
            double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            ASSERT_GE(now, last);
            ASSERT_LE((double)(now - from) / STEREO_SECOND, elapsed + 0.1);
            ASSERT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u);
            last = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_GE(last, from + STEREO_SECOND / 2);
    }
    EXPECT_GT(spectrum[10], 0.05f);   // the 440 Hz tone
    EXPECT_TRUE(BASS_ChannelStop(stream));
    EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(PlaybackTest, CallsWhileADevicePlaysKeepTheirPromises)
{
    // The caller's thread jumps, stops, resumes, asks for the spectrum and
    // opens and frees a second playing stream, while the output's thread
    // mixes and the feeder decodes ahead (the ThreadSanitizer build runs
    // this against the library's locks). Each call keeps its promise: a
    // jump lands in the file, the position stays within it, the spectrum is
    // there while the stream holds audio.
    SetSoundClock(nullptr);
    ASSERT_TRUE(BASS_Init(-1, RATE, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    HSTREAM stream = BASS_StreamCreateFile(FALSE, longFile->c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    const QWORD length = BASS_ChannelGetLength(stream);
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));
    HSTREAM second = 0;
    float spectrum[512];
    uint32_t state = 11;
    for (int i = 0; i < 400 && !HasFailure(); ++i) {
        state = state * 1664525u + 1013904223u;
        QWORD target = (QWORD)(state >> 8) % (length - STEREO_SECOND) / 4 * 4;
        switch (i % 5) {
        case 0: EXPECT_TRUE(BASS_ChannelSetPosition(stream, target)); break;
        case 1: EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u); break;
        case 2: EXPECT_TRUE(i % 3 ? BASS_ChannelStop(stream) : BASS_ChannelPlay(stream, FALSE)); break;
        case 3:
            if (second) {
                EXPECT_TRUE(BASS_StreamFree(second));
                second = 0;
            } else {
                second = BASS_StreamCreateFile(FALSE, shortFile->c_str(), 0, 0, 0);
                EXPECT_TRUE(BASS_ChannelPlay(second, TRUE));
            }
            break;
        default: std::this_thread::sleep_for(std::chrono::milliseconds(2)); break;
        }
        EXPECT_LE(BASS_ChannelGetPosition(stream), length);
    }
    EXPECT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_TRUE(BASS_Free());
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

// Size of a file, 0 when it is missing.
size_t FileSize(const std::string& path)
{
    std::error_code error;
    uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : (size_t)size;
}

// Plays `path` on SDL's disk driver, which writes what it is given to a
// file in real time, until `seconds` of output since play are there;
// returns the output's stereo frames.
std::vector<int16_t> RecordOutput(const std::string& path, const std::string& output, double seconds)
{
    {
        ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
        ScopedEnvironment file("SDL_DISKAUDIOFILE", output.c_str());
        EXPECT_TRUE(BASS_Init(-1, RATE, 0, nullptr, nullptr));
        HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        EXPECT_NE(stream, 0u);
        // What was written before play is silence; then `seconds` of play.
        size_t wanted = FileSize(output) + (size_t)(seconds * RATE) * 4;
        EXPECT_TRUE(BASS_ChannelPlay(stream, TRUE));
        Clock::time_point start = Clock::now();
        while (FileSize(output) < wanted && Clock::now() - start < std::chrono::seconds(60))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        BASS_Free();
    }
    std::vector<unsigned char> bytes = ReadBytes(output);
    std::vector<int16_t> frames(bytes.size() / 4 * 2);
    std::memcpy(frames.data(), bytes.data(), frames.size() * 2);
    return frames;
}

TEST_F(PlaybackTest, MixWritesTheStreamToTheOutput)
{
    // A 22.05 kHz mono sine comes out at 44.1 kHz in both channels, same
    // pitch and level.
    SetSoundClock(nullptr);
    std::string path = *folder + "/tone.ogg";
    ASSERT_TRUE(WriteOggVorbisFile(path, MakeSineAudio(2.0, 1, 22050, 441.0, 0.5), 0.6f));
    std::vector<int16_t> frames = RecordOutput(path, *folder + "/tone.raw", 1.0);
    size_t count = frames.size() / 2;
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

TEST_F(PlaybackTest, MixedOutputIsTheDecodedAudioFrameForFrame)
{
    // A 44.1 kHz stereo stream plays unchanged: past the window's first turn
    // (65,536 frames), every frame written is the frame a decoding stream
    // reads there. (A frame the mix had no audio for, on a starved machine,
    // would be silence; most of them must match.)
    SetSoundClock(nullptr);
    TestAudio audio = MakeSineAudio(2.5, 2, RATE, 330.0, 0.3);
    AddNoise(audio, 0.2, 5);
    std::string path = *folder + "/noise.ogg";
    ASSERT_TRUE(WriteOggVorbisFile(path, audio, 0.5f));
    std::vector<int16_t> decoded(2 * 100000);
    {
        ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr));
        HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_EQ(BASS_ChannelGetData(stream, decoded.data(), (DWORD)decoded.size() * 2), decoded.size() * 2);
        BASS_Free();
    }
    std::vector<int16_t> output = RecordOutput(path, *folder + "/noise.raw", 2.35);
    // Play began where the output first shows the stream's first frames.
    size_t begin = 0;
    while (begin + 64 <= output.size() / 2 && std::memcmp(&output[2 * begin], &decoded[2 * 200], 64 * 4) != 0)
        ++begin;
    ASSERT_GE(begin, 200u);
    begin -= 200;
    ASSERT_GE(output.size() / 2, begin + decoded.size() / 2) << "too little output";
    size_t same = 0, silent = 0;
    for (size_t i = 0; i < decoded.size() / 2; ++i) {
        const int16_t* heard = &output[2 * (begin + i)];
        if (heard[0] == decoded[2 * i] && heard[1] == decoded[2 * i + 1])
            ++same;
        else if (heard[0] == 0 && heard[1] == 0)
            ++silent;
    }
    EXPECT_EQ(same + silent, decoded.size() / 2);
    EXPECT_GT(same, decoded.size() / 4);
}

TEST_F(PlaybackTest, NoOutputDeviceMakesInitFail)
{
    // An audio driver that does not exist stands for a machine without one.
    {
        ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
        EXPECT_FALSE(BASS_Init(-1, RATE, BASS_DEVICE_3D, nullptr, nullptr));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
        EXPECT_FALSE(BASS_Free());
    }
    // And the device can be opened afterwards.
    ASSERT_TRUE(BASS_Init(-1, RATE, 0, nullptr, nullptr));
}

} // namespace
