// The pieces of halvane-capture as functions: the frame clock, music byte
// positions and the Vorbis header, picture conversion and labels, the
// ffmpeg command, and the frame profile's stretches and plot.
#include "timeline/show_state.h"
#include "tools/capture/capture_clock.h"
#include "tools/capture/capture_image.h"
#include "tools/capture/capture_music.h"
#include "tools/capture/capture_profile.h"
#include "tools/capture/capture_video.h"
#include "tools/capture/capture_yuv.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

TEST(CaptureClock, AccumulatesInSinglePrecisionLikeTheShow)
{
    StartCaptureClock(60);
    EXPECT_EQ(g_demoTime, 0.3f);
    EXPECT_EQ(GetCaptureFrameStep(), static_cast<float>(1.0 / 60.0));
    float expected = 0.3f;
    for (int k = 0; k < 600; ++k) {
        StepCaptureClock();
        expected = expected + static_cast<float>(1.0 / 60.0);
    }
    EXPECT_EQ(g_demoTime, expected);
    EXPECT_NEAR(g_demoTime, 10.3, 1e-4);
}

TEST(CaptureClock, RunsToTheFirstFrameAtOrAfterTheEnd)
{
    StartCaptureClock(60);
    int frames = 1;
    while (!IsLastShowFrame()) {
        StepCaptureClock();
        ++frames;
    }
    EXPECT_GE(g_demoTime, END_TIME);
    EXPECT_LT(g_demoTime - GetCaptureFrameStep(), END_TIME);
    // 0.3 + k / 60 >= 180 first for k = 10782; accumulation keeps that frame.
    EXPECT_EQ(frames, 10783);
}

TEST(CaptureClock, TargetsCompareAsTheShowsFloats)
{
    // 162.8 as a double lies below 162.8f: a frame at 162.8f reaches it, and
    // the target means the float the show's windows are written in.
    g_demoTime = 162.8f;
    EXPECT_TRUE(HasCaptureClockReached(162.8));
    g_demoTime = 162.79999f;
    EXPECT_FALSE(HasCaptureClockReached(162.8));
    g_demoTime = 0.3f;
    EXPECT_TRUE(HasCaptureClockReached(0.3));
    EXPECT_TRUE(HasCaptureClockReached(0.0));
    EXPECT_FALSE(HasCaptureClockReached(0.31));
}

TEST(CaptureMusic, BytePositionsCountWholeSampleFrames)
{
    EXPECT_EQ(GetMusicBytePosition(1.0, 44100, 2), 176400u);
    EXPECT_EQ(GetMusicBytePosition(0.0, 44100, 2), 0u);
    EXPECT_EQ(GetMusicBytePosition(-0.25, 44100, 2), 0u);
    EXPECT_EQ(GetMusicBytePosition(1.0, 22050, 1), 44100u);
    // A fraction of a sample frame never splits a frame.
    EXPECT_EQ(GetMusicBytePosition(1.5 / 44100.0, 44100, 2), 4u);
    EXPECT_EQ(GetMusicBytePosition(179.7, 44100, 2) % 4u, 0u);
}

// Writes bytes to a fresh file and returns its path.
std::string WriteTestFile(const char* name, const void* bytes, size_t size)
{
    std::string path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes, 1, size, f);
    std::fclose(f);
    return path;
}

TEST(CaptureMusic, VorbisFormatComesFromTheIdentificationHeader)
{
    // An Ogg page header with one 30-byte segment, then the Vorbis
    // identification packet: version 0, 1 channel, 48000 Hz.
    unsigned char file[27 + 1 + 30] = { 'O', 'g', 'g', 'S' };
    file[26] = 1;
    file[27] = 30;
    unsigned char* packet = file + 28;
    packet[0] = 1;
    std::memcpy(packet + 1, "vorbis", 6);
    packet[11] = 1;
    packet[12] = 0x80;  // 48000 = 0xBB80
    packet[13] = 0xBB;
    int channels = 0, rate = 0;
    std::string path = WriteTestFile("capture_vorbis_ok.ogg", file, sizeof file);
    bool read = ReadVorbisFormat(path.c_str(), &channels, &rate);
    std::remove(path.c_str());
    ASSERT_TRUE(read);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(rate, 48000);

    // Cut short, not Ogg, not Vorbis, missing: refused, outputs untouched.
    channels = rate = -7;
    path = WriteTestFile("capture_vorbis_short.ogg", file, 30);
    EXPECT_FALSE(ReadVorbisFormat(path.c_str(), &channels, &rate));
    std::remove(path.c_str());
    file[0] = 'X';
    path = WriteTestFile("capture_vorbis_notogg.ogg", file, sizeof file);
    EXPECT_FALSE(ReadVorbisFormat(path.c_str(), &channels, &rate));
    std::remove(path.c_str());
    file[0] = 'O';
    packet[1] = 'V';
    path = WriteTestFile("capture_vorbis_novorbis.ogg", file, sizeof file);
    EXPECT_FALSE(ReadVorbisFormat(path.c_str(), &channels, &rate));
    std::remove(path.c_str());
    EXPECT_FALSE(ReadVorbisFormat("/nonexistent/music.ogg", &channels, &rate));
    EXPECT_EQ(channels, -7);
    EXPECT_EQ(rate, -7);
}

TEST(CaptureImage, ReadbackIsFlippedToTopDownRgb)
{
    // Two rows of two pixels, bottom row first as GL reads them.
    const uint8_t rgba[] = { 1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 9, 99, 10, 11, 12, 99 };
    RgbImage image;
    ResizeRgbImage(&image, 2, 2, 0, 0, 0);
    ConvertReadbackToRgb(rgba, &image);
    const uint8_t expected[] = { 7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6 };
    ASSERT_EQ(image.pixels.size(), sizeof expected);
    for (size_t i = 0; i < sizeof expected; ++i)
        EXPECT_EQ(image.pixels[i], expected[i]) << i;
}

TEST(CaptureImage, ThumbnailsAverageBlocksAndClip)
{
    RgbImage source;
    ResizeRgbImage(&source, 8, 4, 0, 0, 0);
    // Left 4x4 block: half white, half black; right block: all 200.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            for (int c = 0; c < 3; ++c)
                source.pixels[(y * 8 + x) * 3 + c] = x < 4 ? (y < 2 ? 255 : 0) : 200;
    RgbImage target;
    ResizeRgbImage(&target, 3, 1, 7, 7, 7);
    PasteShrunkImage(source, 4, &target, 1, 0);
    EXPECT_EQ(target.pixels[0], 7);    // left of the paste: untouched
    EXPECT_EQ(target.pixels[3], 128);  // (8 * 255 + 2) / 16 rounded
    EXPECT_EQ(target.pixels[6], 200);
    // Pasting partly or wholly outside writes nothing out of bounds.
    PasteShrunkImage(source, 4, &target, 2, 0);
    PasteShrunkImage(source, 4, &target, -5, -5);
    PasteShrunkImage(source, 4, &target, 100, 100);
    EXPECT_EQ(target.pixels[6], 128);
}

TEST(CaptureImage, LabelsDrawInsideTheirBoxAndClipAtEdges)
{
    RgbImage image;
    ResizeRgbImage(&image, 120, 30, 0, 0, 0);
    const int width = MeasureImageText("12.35 s", 2);
    EXPECT_GT(width, 40);
    DrawImageText(&image, 4, 4, 2, "12.35 s", 255, 255, 255);
    int lit = 0, outside = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.pixels[(y * image.width + x) * 3] == 255) {
                ++lit;
                if (x < 4 || x >= 4 + width || y < 4 || y >= 4 + 24)
                    ++outside;
            }
    EXPECT_GT(lit, 50);
    EXPECT_EQ(outside, 0);
    // Text running off every edge is clipped, not written past the buffer.
    DrawImageText(&image, 100, 20, 3, "180.00 s", 1, 1, 1);
    DrawImageText(&image, -30, -10, 3, "180.00 s", 1, 1, 1);
    EXPECT_EQ(image.pixels.size(), 120u * 30u * 3u);
}

// The arguments go to ffmpeg as they are, with no shell between: a name
// with quotes, blanks or a leading dash stays one argument, a file name.
TEST(CaptureVideo, FfmpegArgumentsCarryNamesVerbatimAndTheSoundInput)
{
    std::vector<std::string> arguments = BuildFfmpegArguments("/tmp/it's -here $(x).mp4", 1024, 768, 30, 22050, 3,
        "-preset faster  -crf 20");
    std::string joined;
    for (const std::string& argument : arguments)
        joined += "|" + argument;
    EXPECT_EQ(arguments.front(), "ffmpeg");
    EXPECT_EQ(arguments.back(), "file:/tmp/it's -here $(x).mp4");
    // Frames arrive converted and upright on standard input, the sound as
    // 16-bit stereo at its own rate on descriptor 3, resampled to 44.1 kHz.
    for (const char* part : { "|-f|rawvideo|-pix_fmt|yuv420p|-s|1024x768|-framerate|30|-i|pipe:0|",
             "|-f|s16le|-ar|22050|-ac|2|-i|pipe:3|", "|-map|0:v:0|-map|1:a:0|",
             "|-c:v|libx264|-preset|faster|-crf|20|-pix_fmt|yuv420p|", "|-c:a|aac|", "|-shortest|-ar|44100|" })
        EXPECT_NE(joined.find(part), std::string::npos) << part << " in " << joined;
    // Settings are split at blanks, so only option characters pass.
    EXPECT_TRUE(IsSafeX264Settings(DEFAULT_X264_SETTINGS));
    EXPECT_TRUE(IsSafeX264Settings("-x264-params ref=2:bframes=3,x=1.5 -tune animation"));
    for (const char* unsafe : { "-crf 18;ls", "$(ls)", "a|b", "a'b", "a\"b", "a>b", "a`b`", "a&b", "a\\b" })
        EXPECT_FALSE(IsSafeX264Settings(unsafe)) << unsafe;
}

// A 4 x 2 BGRA frame, bottom row first: the bottom row a white and a black
// pair, the top row a red and a grey pair. Upright I420 puts the top row
// first.
TEST(CaptureYuv, BgraBecomesUprightStudioRangeI420)
{
    const uint8_t bgra[] = {
        255, 255, 255, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0,              // bottom row
        0, 0, 255, 255, 0, 0, 255, 255, 128, 128, 128, 255, 128, 128, 128, 255,  // top row
    };
    uint8_t i420[12];
    ASSERT_EQ(GetI420FrameBytes(4, 2), sizeof i420);
    ConvertBgraToI420(bgra, 4, 2, i420);
    const uint8_t luma[8] = { 82, 82, 126, 126, 235, 235, 16, 16 };
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR(i420[k], luma[k], 1) << "Y " << k;
    // U and V of each 2 x 2 block: red over white, then grey over black.
    EXPECT_NEAR(i420[8], 109, 1);
    EXPECT_NEAR(i420[9], 128, 1);
    EXPECT_NEAR(i420[10], 184, 1);
    EXPECT_NEAR(i420[11], 128, 1);
}

TEST(CaptureProfile, FramesCountInTheirFiveSecondStretch)
{
    const struct {
        float demoTime;
        int stretch;
    } cases[] = {
        { 0.3f, 0 }, { 4.999f, 0 }, { 5.0f, 1 }, { 62.5f, 12 }, { 92.5f, 18 }, { 162.8f, 32 },
        { 174.99f, 34 }, { 175.0f, 35 }, { 179.99f, 35 },
        // The show's last frame lies at or just after 180 s; nothing is lost.
        { 180.0f, 35 }, { 180.01f, 35 }, { -1.0f, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetProfileStretch(c.demoTime), c.stretch) << c.demoTime;
    // At 60 frames per second every stretch gets about 300 frames.
    int counts[PROFILE_STRETCH_COUNT] = {};
    StartCaptureClock(60);
    for (;; StepCaptureClock()) {
        ++counts[GetProfileStretch(g_demoTime)];
        if (IsLastShowFrame())
            break;
    }
    EXPECT_NEAR(counts[0], 282, 1);  // from 0.3 s
    for (int k = 1; k < PROFILE_STRETCH_COUNT; ++k)
        EXPECT_NEAR(counts[k], 300, 2) << k;
}

TEST(CaptureProfile, PlotMarksStretchesOverTheBudgetRed)
{
    FrameProfile profile;
    for (int k = 0; k < PROFILE_STRETCH_COUNT; ++k)
        profile.stretches[k] = { 10.0, 12.0, 15.0, 300 };
    profile.stretches[18] = { 20.0, 25.0, 30.0, 300 };  // 90-95 s
    profile.heading = "test\nsecond line";
    const std::string path = testing::TempDir() + "/capture_profile_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(DrawProfilePlot(profile, path));
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_GT(width, 800);
    EXPECT_GT(height, 400);
    // Counts strongly red pixels in the columns of one stretch, taken from
    // the bars' place on the time axis (its share of the width).
    auto countRed = [&](int stretch) {
        int red = 0;
        const int x1 = static_cast<int>(width * (0.07 + 0.91 * stretch / 36.0));
        const int x2 = static_cast<int>(width * (0.07 + 0.91 * (stretch + 1) / 36.0));
        for (int y = 0; y < height; ++y)
            for (int x = x1; x < x2; ++x) {
                const unsigned char* p = pixels + 3 * (y * width + x);
                red += p[0] > 180 && p[1] < 80 && p[2] < 80;
            }
        return red;
    };
    EXPECT_GT(countRed(18), 2000);
    EXPECT_LT(countRed(10), 200);  // only the dashed 16.7 ms line
    stbi_image_free(pixels);
    std::remove(path.c_str());
}

}  // namespace
