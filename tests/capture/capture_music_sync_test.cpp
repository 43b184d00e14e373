// The music in offline runs. As the scenes hear it: a track that is silent
// for its first 2.5 s and loud noise after is put in the data folder, and
// the pulse squares (which add a cube on every frame louder than 1.2 from
// demo time 2.0) must stay away while the music is silent: the stream is
// set to demo time - 0.3 before every frame, so the noise is heard first at
// demo time 2.8, not 2.5. As the video sounds: with the music damaged in
// each way a user's copy can be, the video still has every frame drawn, and
// its sound track is as long, loud where the sound library plays the noise
// and silent where it refuses the file or its decoding ends.
#include "capture_test_run.h"
#include "tools/content/music/music_vorbis.h"

#include "audio/music.h"
#include "soundlib/bass.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Counts the pixels of a PNG that are not white; -1 when it cannot be read.
int CountNonWhitePixels(const fs::path& path)
{
    int w = 0, h = 0, channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &channels, 3);
    if (!data)
        return -1;
    int count = 0;
    for (int i = 0; i < w * h; ++i)
        count += data[i * 3] != 255 || data[i * 3 + 1] != 255 || data[i * 3 + 2] != 255;
    stbi_image_free(data);
    return count;
}

// Writes a track of `seconds` at 44.1 kHz stereo: silence until
// `silentSeconds`, then noise at a third of full scale.
bool WriteNoiseTrack(const fs::path& path, double silentSeconds, double seconds)
{
    const size_t rate = 44100, silent = static_cast<size_t>(rate * silentSeconds);
    const size_t frames = static_cast<size_t>(rate * seconds);
    std::vector<float> samples(frames * 2, 0.0f);
    uint32_t state = 1;
    for (size_t i = silent * 2; i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        samples[i] = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 0.66f;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = EncodeOggVorbis(file, samples.data(), frames);
    return std::fclose(file) == 0 && written;
}

TEST(CaptureMusicSync, ScenesHearTheMusicAtDemoTimeLessPointThree)
{
    fs::path folder = fs::path(testing::TempDir()) / ("capture_sync_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "data");

    // 2.5 s of silence, then 1.5 s of noise.
    ASSERT_TRUE(WriteNoiseTrack(folder / "data" / "vx - orrin lumo.ogg", 2.5, 4.0));

    ProgramRun run = RunCapture(folder.string(), "--data data --from 2.7 --to 2.9 --every 0.2 frames");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("Music"), std::string::npos) << run.output;

    // At 2.7 the music is at 2.4: still silent, no cube yet.
    EXPECT_EQ(CountNonWhitePixels(folder / "frames" / "t0002.700.png"), 0);
    // At 2.9 the music is at 2.6: the noise has added cubes.
    EXPECT_GT(CountNonWhitePixels(folder / "frames" / "t0002.900.png"), 500);
    if (!HasFailure())
        fs::remove_all(folder);
}


// The Ogg pages of bytes that come before the first audio page (the three
// Vorbis headers: pages whose granule position is 0).
std::string KeepHeaderPages(const std::string& bytes)
{
    size_t at = 0;
    while (at + 27 <= bytes.size() && bytes.compare(at, 4, "OggS") == 0) {
        uint64_t granule = 0;
        for (int k = 7; k >= 0; --k)
            granule = granule << 8 | static_cast<unsigned char>(bytes[at + 6 + k]);
        const unsigned segments = static_cast<unsigned char>(bytes[at + 26]);
        if (granule != 0 || at + 27 + segments > bytes.size())
            break;
        size_t body = 0;
        for (unsigned k = 0; k < segments; ++k)
            body += static_cast<unsigned char>(bytes[at + 27 + k]);
        at += 27 + segments + body;
    }
    return bytes.substr(0, at);
}

// Seconds of sound the sound library decodes from the file at path: 0 when
// it refuses the file.
double DecodeWithSoundLibrary(const fs::path& path)
{
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr))
        return -1.0;
    uint64_t bytes = 0;
    if (HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE)) {
        static char buffer[1 << 16];
        for (DWORD got; (got = BASS_ChannelGetData(stream, buffer, sizeof buffer)) != 0 && got != DWORD(-1);)
            bytes += got;
        BASS_StreamFree(stream);
    }
    BASS_Free();
    return bytes / 176400.0;
}

// The root mean square of the video's sound in windows of 0.1 s, mono, and
// the durations ffprobe reads from the file's video and sound streams.
struct VideoSound {
    std::vector<double> windowLevel;
    double videoSeconds = 0.0, soundSeconds = 0.0;
    int videoFrames = 0;
};

VideoSound ReadVideoSound(const fs::path& clip)
{
    VideoSound sound;
    ProgramRun probe = RunCommand("ffprobe -v error -count_frames -show_entries stream=codec_type,duration,"
        "nb_read_frames -of csv=p=0 '" + clip.string() + "'");
    std::istringstream lines(probe.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("video,", 0) == 0)
            std::sscanf(line.c_str(), "video,%lf,%d", &sound.videoSeconds, &sound.videoFrames);
        else if (line.rfind("audio,", 0) == 0)
            std::sscanf(line.c_str(), "audio,%lf", &sound.soundSeconds);
    }
    ProgramRun pcm = RunCommand("ffmpeg -v error -i '" + clip.string() + "' -map 0:a -ac 1 -ar 8000 -f s16le -");
    const int16_t* samples = reinterpret_cast<const int16_t*>(pcm.output.data());
    const size_t count = pcm.output.size() / 2;
    for (size_t start = 0; start + 800 <= count; start += 800) {
        double sum = 0.0;
        for (size_t k = start; k < start + 800; ++k)
            sum += static_cast<double>(samples[k]) * samples[k];
        sound.windowLevel.push_back(std::sqrt(sum / 800));
    }
    return sound;
}

// The music damaged as a user's copy can be, each case a video of its own:
// the video holds every frame drawn and its sound is as long, and the sound
// is the library's: the noise (1 s in) until where the library's decoding
// ends, silence before and after it, the whole track silent when the library
// refuses the file. ffmpeg never reads the music itself.
TEST(CaptureVideoSound, DamagedMusicGivesAFullLengthVideoWithTheLibrarysSound)
{
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no ffmpeg";
    const fs::path folder = fs::path(testing::TempDir()) / ("capture_sound_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "data");
    const fs::path music = folder / MUSIC_FILE;
    ASSERT_TRUE(WriteNoiseTrack(music, 1.0, 4.0));
    std::string whole;
    {
        std::ifstream in(music, std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string garbage = whole;
    uint32_t state = 7;
    for (size_t k = garbage.size() * 2 / 5; k < garbage.size(); ++k) {
        state = state * 1664525u + 1013904223u;
        garbage[k] = static_cast<char>(state >> 24);
    }
    struct { const char* name; std::string bytes; double until; } cases[] = {
        { "whole", whole, 3.0 },
        { "cut in half", whole.substr(0, whole.size() / 2), 3.5 },
        { "garbage after 40 %", garbage, 3.5 },
        { "empty", "", 1.5 },
        { "a folder", "", 1.5 },
        { "headers only", KeepHeaderPages(whole), 1.5 },
        { "2 % cut off", whole.substr(0, whole.size() * 49 / 50), 2.5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(music);
        if (std::string(c.name) == "a folder") {
            fs::create_directories(music);
        } else {
            std::ofstream out(music, std::ios::binary);
            out << c.bytes;
        }
        const double heard = DecodeWithSoundLibrary(music);
        ASSERT_GE(heard, 0.0);
        char arguments[96];
        std::snprintf(arguments, sizeof arguments, "--data data --width 160 --fps 10 --until %.1f --video clip.mp4", c.until);
        ProgramRun run = RunCapture(folder.string(), arguments);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(run.output.find("video will be silent") != std::string::npos, heard == 0.0) << run.output;
        const size_t written = run.output.find("video written: ");
        ASSERT_NE(written, std::string::npos) << run.output;
        const int frames = std::atoi(run.output.c_str() + written + 15);
        EXPECT_NEAR(frames, (c.until - 0.3) * 10 + 1, 1);

        VideoSound sound = ReadVideoSound(folder / "clip.mp4");
        EXPECT_EQ(sound.videoFrames, frames);
        EXPECT_NEAR(sound.videoSeconds, frames / 10.0, 1e-3);
        EXPECT_NEAR(sound.soundSeconds, sound.videoSeconds, 0.05);
        // Noise from 1 s to where the library ends; 0.15 s either side of
        // each edge is left out for the encoder's smearing.
        const double loudEnd = std::min(heard, sound.videoSeconds);
        EXPECT_GE(sound.windowLevel.size(), static_cast<size_t>(sound.videoSeconds * 10) - 1);
        for (size_t w = 0; w < sound.windowLevel.size(); ++w) {
            const double from = w * 0.1, to = from + 0.1;
            if (to < 0.85 || from > heard + 0.15) {
                EXPECT_LT(sound.windowLevel[w], 30.0) << "silent at " << from << " s";
            } else if (from > 1.15 && to < loudEnd - 0.15) {
                // The noise below 4 kHz reads about 1,800.
                EXPECT_GT(sound.windowLevel[w], 1000.0) << "the noise at " << from << " s";
            }
        }
    }
    if (!HasFailure())
        fs::remove_all(folder);
}

}  // namespace
