// Streams of the sound library on the "no sound" device: opening good
// files and unreadable ones, decoding streams positioned and read, the spectrum request
// at a position and its failures, handles after free, device errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ogg_test_file.h"
#include "soundlib/bass.h"

namespace {

const int RATE = 44100;
const QWORD STEREO_SECOND = 176400;
// A sine centred on bin 64 of the 1024-point spectrum at 44.1 kHz.
const double BIN64_HZ = 64.0 * RATE / 1024.0;

// Each test gets the "no sound" device and its own folder of files.
class SoundStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(BASS_Init(0, RATE, BASS_DEVICE_3D, nullptr, nullptr));
    }
    void TearDown() override
    {
        BASS_Free();
        RemoveScratchFolder(folder);
    }

    // Writes a sine file and returns its path.
    std::string WriteSine(const std::string& name, double seconds, int channels, double amplitude = 0.5)
    {
        std::string path = folder + "/" + name;
        EXPECT_TRUE(WriteOggVorbisFile(path, MakeSineAudio(seconds, channels, RATE, BIN64_HZ, amplitude), 0.8f));
        return path;
    }

    // Expects the open of `path` to fail with `error`.
    void ExpectOpenFails(const std::string& path, int error)
    {
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE), 0u) << path;
        EXPECT_EQ(BASS_ErrorGetCode(), error) << path;
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u) << path;
        EXPECT_EQ(BASS_ErrorGetCode(), error) << path;
    }

    std::string folder;
};

TEST_F(SoundStreamTest, OpensAFileWithItsLengthInSixteenBitBytes)
{
    std::string stereo = WriteSine("stereo.ogg", 2.0, 2);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, stereo.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_EQ(BASS_ChannelGetLength(stream), 2 * STEREO_SECOND);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 0u);

    std::string mono = WriteSine("mono.ogg", 1.0, 1);
    HSTREAM monoStream = BASS_StreamCreateFile(FALSE, mono.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(monoStream, 0u);
    EXPECT_NE(monoStream, stream);
    EXPECT_EQ(BASS_ChannelGetLength(monoStream), (QWORD)RATE * 2);
}

TEST_F(SoundStreamTest, OpensFromAnOffsetAndFromMemory)
{
    std::string path = WriteSine("plain.ogg", 1.0, 2);
    std::vector<unsigned char> bytes = ReadBytes(path);
    // The same file behind 100 bytes of something else.
    std::vector<unsigned char> padded(100 + bytes.size(), 0x55);
    std::memcpy(padded.data() + 100, bytes.data(), bytes.size());
    std::string paddedPath = folder + "/padded.bin";
    ASSERT_TRUE(WriteBytes(paddedPath, padded.data(), padded.size()));
    HSTREAM fromOffset = BASS_StreamCreateFile(FALSE, paddedPath.c_str(), 100, (DWORD)bytes.size(), BASS_STREAM_DECODE);
    ASSERT_NE(fromOffset, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(fromOffset), STEREO_SECOND);
    HSTREAM fromMemory = BASS_StreamCreateFile(TRUE, bytes.data(), 0, (DWORD)bytes.size(), BASS_STREAM_DECODE);
    ASSERT_NE(fromMemory, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(fromMemory), STEREO_SECOND);
}

TEST_F(SoundStreamTest, FilesThatCannotBeReadFailWithFileOpen)
{
    // (Files that can be read but are damaged: broken_file_test.cpp.)
    // Nor is anything but a regular file opened: a FIFO (which would block
    // the open until a writer came), a device that never ends, a link to
    // one, a folder.
    std::string fifo = folder + "/fifo.ogg", link = folder + "/zero.ogg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", link.c_str()), 0);
    for (const std::string& path : {folder + "/missing.ogg", folder, fifo, std::string("/dev/zero"), link})
        ExpectOpenFails(path, BASS_ERROR_FILEOPEN);
}

TEST_F(SoundStreamTest, DecodingStreamIsPositionedAndItsSpectrumReadThere)
{
    // One second of silence, then one of the bin-64 sine at half scale.
    TestAudio audio = MakeSineAudio(2.0, 2, RATE, BIN64_HZ, 0.5);
    std::fill(audio.samples.begin(), audio.samples.begin() + RATE * 2, 0.0f);
    std::string path = folder + "/half.ogg";
    ASSERT_TRUE(WriteOggVorbisFile(path, audio, 0.8f));
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
    EXPECT_FALSE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);

    float spectrum[512];
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, STEREO_SECOND / 4));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), STEREO_SECOND / 4);
    ASSERT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u);
    float quiet = 0.0f;
    for (float v : spectrum)
        quiet += v;
    EXPECT_LT(quiet, 0.01f);

    ASSERT_TRUE(BASS_ChannelSetPosition(stream, STEREO_SECOND * 3 / 2));
    ASSERT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u);
    EXPECT_NEAR(spectrum[64], 0.25, 0.02);   // half scale: half of 0.5
    EXPECT_NEAR(spectrum[63], 0.125, 0.02);
    EXPECT_LT(spectrum[200], 0.01);
    // A spectrum request does not move the stream.
    EXPECT_EQ(BASS_ChannelGetPosition(stream), STEREO_SECOND * 3 / 2);

    // A position inside a frame rounds down; past the end is refused.
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 4 * 1000 + 3));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 4u * 1000);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, 2 * STEREO_SECOND + 4));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
}

TEST_F(SoundStreamTest, JumpsLandOnTheExactFrameEitherWay)
{
    // A tone with a click every tenth of a second (where the encoder
    // switches to short blocks), in several layouts: after any jump, forward
    // or back, near or far, the stream reads what reading it from its start
    // read there.
    struct Layout {
        int channels;
        int rate;
        double seconds;
    };
    for (Layout layout : {Layout{2, RATE, 6.0}, Layout{1, 22050, 3.0}, Layout{6, 8000, 2.0}}) {
        SCOPED_TRACE(layout.channels);
        TestAudio audio = MakeSineAudio(layout.seconds, layout.channels, layout.rate, 440.0, 0.3);
        for (size_t i = 0; i < audio.samples.size(); ++i) {
            size_t frame = i / layout.channels;
            if (frame % (layout.rate / 10) < 24)
                audio.samples[i] += (frame & 1) ? 0.6f : -0.6f;
        }
        std::string path = folder + "/clicks.ogg";
        ASSERT_TRUE(WriteOggVorbisFile(path, audio, 0.5f));
        HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(stream, 0u);
        const size_t frameBytes = 2 * layout.channels;
        std::vector<char> whole, part(4096 * frameBytes);
        DWORD got;
        while ((got = BASS_ChannelGetData(stream, part.data(), (DWORD)part.size())) != 0xFFFFFFFFu)
            whole.insert(whole.end(), part.begin(), part.begin() + got);
        const size_t frames = whole.size() / frameBytes;
        ASSERT_EQ(frames, (size_t)(layout.seconds * layout.rate));

        std::vector<size_t> jumps = {frames / 2, frames / 2 + 1, 0, 1, frames - 1, frames - 700, 5000};
        uint32_t state = 7;
        for (int i = 0; i < 60; ++i) {
            state = state * 1664525u + 1013904223u;
            jumps.push_back((state >> 8) % frames);
        }
        for (size_t frame : jumps) {
            SCOPED_TRACE(frame);
            ASSERT_TRUE(BASS_ChannelSetPosition(stream, frame * frameBytes));
            size_t want = std::min<size_t>(2048, frames - frame) * frameBytes;
            ASSERT_EQ(BASS_ChannelGetData(stream, part.data(), (DWORD)(2048 * frameBytes)), want);
            ASSERT_EQ(std::memcmp(part.data(), &whole[frame * frameBytes], want), 0);
        }
        BASS_StreamFree(stream);
    }
}

TEST_F(SoundStreamTest, RawReadsMoveADecodingStreamOn)
{
    std::string path = WriteSine("raw.ogg", 0.5, 2);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    std::vector<int16_t> samples(4096 * 2);
    EXPECT_EQ(BASS_ChannelGetData(stream, samples.data(), 4096 * 4), 4096u * 4);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 4096u * 4);
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs((int)s));
    EXPECT_NEAR(peak, 16384, 2000);
    // The last read is short; then the end.
    QWORD length = BASS_ChannelGetLength(stream);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, length - 400));
    EXPECT_EQ(BASS_ChannelGetData(stream, samples.data(), 4096 * 4), 400u);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetData(stream, samples.data(), 4096 * 4), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
}

TEST_F(SoundStreamTest, FailedRequestsLeaveTheBufferUntouched)
{
    std::string path = WriteSine("short.ogg", 0.5, 2);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    float spectrum[512];
    auto poison = [&] { std::fill(spectrum, spectrum + 512, 7.0f); };
    auto untouched = [&] {
        for (float v : spectrum) {
            if (v != 7.0f)
                return false;
        }
        return true;
    };

    // At the end of the stream.
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelGetLength(stream)));
    poison();
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    EXPECT_TRUE(untouched());

    // The last frame still gives a spectrum (the rest counts as silence).
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelGetLength(stream) - 4));
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u);

    // Handles that are not open: 0, never made, freed.
    poison();
    for (DWORD handle : {0u, 0x7777u, 0xFFFFFFFFu}) {
        EXPECT_EQ(BASS_ChannelGetData(handle, spectrum, BASS_DATA_FFT1024), 0xFFFFFFFFu);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
    ASSERT_TRUE(BASS_StreamFree(stream));
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_TRUE(untouched());
    EXPECT_FALSE(BASS_StreamFree(stream));

    // A new stream in the freed slot does not answer to the old handle.
    HSTREAM again = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(again, 0u);
    EXPECT_NE(again, stream);
    EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 0xFFFFFFFFu);
    EXPECT_TRUE(untouched());
    // Requests the library does not serve.
    EXPECT_EQ(BASS_ChannelGetData(again, spectrum, 0x80000002u), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_TRUE(untouched());
}

TEST_F(SoundStreamTest, TeardownCallsAfterAFailedOpenDoNoHarm)
{
    HSTREAM stream = BASS_StreamCreateFile(FALSE, (folder + "/missing.ogg").c_str(), 0, 0, 0);
    ASSERT_EQ(stream, 0u);
    EXPECT_FALSE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_FALSE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_FALSE(BASS_StreamFree(stream));
    EXPECT_TRUE(BASS_Free());
    // A second free has no device to release; SetUp's pair is restored.
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr));
}

TEST_F(SoundStreamTest, HandlesOfAnEarlierDeviceStayInvalid)
{
    // The show keeps its old handle when the music fails to open after a
    // re-creation; the library must not take it for the new stream.
    std::string path = WriteSine("again.ogg", 0.5, 2);
    HSTREAM first = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(BASS_Free());
    ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_ChannelPlay(first, TRUE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    HSTREAM second = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_FALSE(BASS_ChannelPlay(first, TRUE));
    EXPECT_TRUE(BASS_ChannelPlay(second, TRUE));
}

TEST(SoundDevice, InitRulesAndStreamsNeedADevice)
{
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0203u);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "any.ogg", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Init(7, RATE, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    ASSERT_TRUE(BASS_Init(0, RATE, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(0, RATE, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_Free());
}

} // namespace
