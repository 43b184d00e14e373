// The music as the scenes hear it in an offline run: a track that is silent
// for its first 2.5 s and loud noise after is put in the data folder, and
// the pulse squares (which add a cube on every frame louder than 1.2 from
// demo time 2.0) must stay away while the music is silent: the stream is
// set to demo time - 0.3 before every frame, so the noise is heard first at
// demo time 2.8, not 2.5.
#include "tools/content/music/music_vorbis.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
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

TEST(CaptureMusicSync, ScenesHearTheMusicAtDemoTimeLessPointThree)
{
    fs::path folder = fs::path(testing::TempDir()) / ("capture_sync_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "data");

    // 2.5 s of silence, then 1.5 s of noise at a third of full scale.
    const size_t rate = 44100, silent = rate * 5 / 2, frames = rate * 4;
    std::vector<float> samples(frames * 2, 0.0f);
    uint32_t state = 1;
    for (size_t i = silent * 2; i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        samples[i] = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 0.66f;
    }
    FILE* file = std::fopen((folder / "data" / "vx - orrin lumo.ogg").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(EncodeOggVorbis(file, samples.data(), frames));
    std::fclose(file);

    std::string command = "cd '" + folder.string() + "' && '" HALVANE_CAPTURE_PROGRAM
        "' --data data --from 2.7 --to 2.9 --every 0.2 frames 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_EQ(output.find("Music"), std::string::npos) << output;

    // At 2.7 the music is at 2.4: still silent, no cube yet.
    EXPECT_EQ(CountNonWhitePixels(folder / "frames" / "t0002.700.png"), 0);
    // At 2.9 the music is at 2.6: the noise has added cubes.
    EXPECT_GT(CountNonWhitePixels(folder / "frames" / "t0002.900.png"), 500);
    if (!HasFailure())
        fs::remove_all(folder);
}

}  // namespace
