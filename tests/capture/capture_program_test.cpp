// Short runs of the halvane-capture program: exit codes and messages for bad
// arguments, --help, and PNG frames read back (the first frame white, the
// 4:3 bars black, --every writing one file per target, a short video). The
// data folder is an empty one, so every load fails with its message and the
// show goes on; the video's test writes a small show of its own.
#include "capture_test_run.h"
#include "test_content.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A fresh folder for one test, with an empty folder "content" beside it.
class CaptureProgram : public testing::Test {
protected:
    void TearDown() override
    {
        if (!HasFailure())
            fs::remove_all(folder);
    }
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        // The process id keeps concurrent runs of the suite apart.
        folder = fs::path(testing::TempDir())
            / ("capture_" + std::to_string(getpid()) + "_" + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "content");
    }
    fs::path folder;
};

// A decoded PNG, 3 channels.
struct Picture {
    int width = 0, height = 0;
    std::string pixels;
    // The red, green and blue of pixel (x, y), top-down.
    const unsigned char* At(int x, int y) const
    {
        return reinterpret_cast<const unsigned char*>(pixels.data()) + (y * width + x) * 3;
    }
};

bool LoadPicture(const fs::path& path, Picture* picture)
{
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &picture->width, &picture->height, &channels, 3);
    if (!data)
        return false;
    picture->pixels.assign(reinterpret_cast<char*>(data), picture->width * picture->height * 3);
    stbi_image_free(data);
    return true;
}

// True when every pixel of rows [y0, y1) has the colour v, v, v.
bool RowsAre(const Picture& p, int y0, int y1, unsigned char v)
{
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < p.width; ++x) {
            const unsigned char* c = p.At(x, y);
            if (c[0] != v || c[1] != v || c[2] != v)
                return false;
        }
    return true;
}

TEST_F(CaptureProgram, HelpListsTheOptionsAndSucceeds)
{
    ProgramRun run = RunCapture(folder, "--help");
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option : { "--at", "--every", "--video", "--sheet", "--bench", "--fps", "--aspect", "--data" })
        EXPECT_NE(run.output.find(option), std::string::npos) << option;
    EXPECT_NE(run.output.find("single precision"), std::string::npos);
}

TEST_F(CaptureProgram, BadArgumentsExitWithCode2AndAMessage)
{
    struct { const char* arguments; const char* message; } cases[] = {
        { "", "nothing to do" },
        { "--at", "--at needs two values" },
        { "--at 1e9 x.png", "outside the show" },
        { "--fps fast --bench", "--fps" },
        { "--at 1 nowhere/x.png", "no folder" },
        { "--data missing-folder --at 1 x.png", "--data: 'missing-folder' is not a folder" },
        { "--at 1 x.jpg", "--at: 'x.jpg' does not end in .png" },
    };
    for (const auto& c : cases) {
        ProgramRun run = RunCapture(folder, c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << " printed: " << run.output;
        EXPECT_NE(run.output.find("--help"), std::string::npos) << c.arguments;
    }
    EXPECT_FALSE(fs::exists(folder / "x.png"));
    EXPECT_FALSE(fs::exists(folder / "x.jpg"));
}

// Started from another folder with no --data, it finds the content beside
// itself, as the player does; a copy with no content anywhere it looks says
// where it looked and exits 1.
TEST_F(CaptureProgram, FindsItsDataAsThePlayerDoesOrSaysWhereItLooked)
{
    ProgramRun found = RunCapture(folder, "--width 320 --samples 1 --at 0.3 found.png");
    ASSERT_EQ(found.exitCode, 0) << found.output;
    EXPECT_EQ(found.output.find("Error"), std::string::npos) << found.output;
    EXPECT_TRUE(fs::exists(folder / "found.png"));

    if (fs::exists("/usr/share/halvane/data"))
        GTEST_SKIP() << "the package is installed: its data folder would be found";
    fs::create_directories(folder / "bin");
    fs::copy_file(HALVANE_CAPTURE_PROGRAM, folder / "bin/halvane-capture");
    ProgramRun lost = RunCommand("cd '" + folder.string() + "/content' && ../bin/halvane-capture --at 1 lost.png 2>&1");
    EXPECT_EQ(lost.exitCode, 1) << lost.output;
    for (const std::string& line : { std::string("halvane-capture: the show's data folder was not found"),
             "  " + folder.string() + "/bin/data (beside the program): not there\n",
             "  " + folder.string() + "/content/data (the working directory): not there\n" })
        EXPECT_NE(lost.output.find(line), std::string::npos) << line << " in:\n" << lost.output;
    EXPECT_FALSE(fs::exists(folder / "content/lost.png"));
}

TEST_F(CaptureProgram, FirstFrameIsWhite)
{
    // A data folder named data, elsewhere: the program works from its parent.
    fs::create_directories(folder / "elsewhere" / "data");
    ProgramRun run = RunCapture(folder, "--data elsewhere/data --at 0.3 first.png");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // The empty data folder: the loaders said so, naming each file by its
    // full path, and the show went on.
    const std::string data = fs::canonical(folder / "elsewhere/data").string();
    EXPECT_NE(run.output.find("App: Error opening .obj file\n  file: " + data + "/knot4.obj\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Music opening error\n  file: " + data + "/vx - orrin lumo.ogg\n"), std::string::npos)
        << run.output;
    Picture p;
    ASSERT_TRUE(LoadPicture(folder / "first.png", &p));
    EXPECT_EQ(p.width, 1280);
    EXPECT_EQ(p.height, 720);
    EXPECT_TRUE(RowsAre(p, 0, 720, 255));
}

TEST_F(CaptureProgram, FourThreeHasBlackBarsAroundTheWhitePicture)
{
    ProgramRun run = RunCapture(folder, "--aspect 4:3 --data content --at 0 bars.png");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    Picture p;
    ASSERT_TRUE(LoadPicture(folder / "bars.png", &p));
    ASSERT_EQ(p.width, 1024);
    ASSERT_EQ(p.height, 768);
    EXPECT_TRUE(RowsAre(p, 0, 96, 0));
    EXPECT_TRUE(RowsAre(p, 96, 672, 255));
    EXPECT_TRUE(RowsAre(p, 672, 768, 0));
}

TEST_F(CaptureProgram, EveryWritesOneFilePerTargetIntoANewFolder)
{
    // The data folder is given from elsewhere, under another name: outputs
    // still land relative to where the program was started.
    ProgramRun run = RunCapture(folder, "--data ./content --from 0.3 --to 0.5 --every 0.05 frames/a");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder / "frames" / "a")) {
        ++files;
        EXPECT_EQ(entry.path().extension(), ".png");
    }
    EXPECT_EQ(files, 5);
    for (const char* name : { "t0000.300.png", "t0000.350.png", "t0000.400.png", "t0000.450.png", "t0000.500.png" })
        EXPECT_TRUE(fs::exists(folder / "frames" / "a" / name)) << name;
}

}  // namespace

TEST_F(CaptureProgram, SheetLabelsOneThumbnailPerFiveSeconds)
{
    ProgramRun run = RunCapture(folder, "--data content --fps 10 --until 5 --sheet sheet.png");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    Picture p;
    ASSERT_TRUE(LoadPicture(folder / "sheet.png", &p));
    // Six cells of a 320 x 180 thumbnail, its label strip and margins.
    EXPECT_EQ(p.width, 6 * (320 + 8) + 8);
    EXPECT_EQ(p.height, 180 + 16 + 2 * 8 + 8);
    // Two white thumbnails (0.3 s and 5 s), then the dark background.
    EXPECT_EQ(p.At(8 + 160, 8 + 90)[0], 255);
    EXPECT_EQ(p.At(8 + 328 + 160, 8 + 90)[0], 255);
    EXPECT_EQ(p.At(8 + 2 * 328 + 160, 8 + 90)[0], 40);
    // Each label has lit pixels in the strip below its thumbnail.
    for (int cell = 0; cell < 3; ++cell) {
        int lit = 0;
        for (int y = 8 + 180; y < p.height; ++y)
            for (int x = 8 + cell * 328; x < 8 + cell * 328 + 320; ++x)
                lit += p.At(x, y)[0] > 200;
        if (cell < 2)
            EXPECT_GT(lit, 30) << cell;
        else
            EXPECT_EQ(lit, 0);
    }
}

// A short video of real content: every rendered frame arrives, in order
// (the read-back ring hands them over late), and upright. At 5.5 s the first
// caption piece (layout x 374-404, y 169-254) shows the top, red half of the
// test caption picture; a flipped video would show it low in the picture.
TEST_F(CaptureProgram, ShortVideoHoldsEveryFrameUpright)
{
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no ffmpeg";
    WriteShowContent(folder.string());
    ProgramRun run = RunCapture(folder, "--data data --fps 10 --until 5.5 --video 'short clip.mp4'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("the video will be silent"), std::string::npos) << run.output;
    // 0.3 s to the first frame at or after 5.5 s, ten a second.
    const size_t written = run.output.find("video written: ");
    ASSERT_NE(written, std::string::npos) << run.output;
    const int frames = std::atoi(run.output.c_str() + written + 15);
    EXPECT_NEAR(frames, 53, 1);
    const std::string clip = (folder / "short clip.mp4").string();
    ProgramRun count = RunCommand("ffprobe -v error -count_frames -select_streams v:0 "
        "-show_entries stream=nb_read_frames -of csv=p=0 '" + clip + "'");
    EXPECT_EQ(std::atoi(count.output.c_str()), frames) << count.output;
    // The last frame as raw RGB.
    ProgramRun last = RunCommand("ffmpeg -v error -i '" + clip + "' -vf 'select=eq(n\\," + std::to_string(frames - 1)
        + ")' -vsync 0 -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(last.output.size(), 1280u * 720u * 3u);
    auto pixel = [&](int x, int y) { return reinterpret_cast<const unsigned char*>(last.output.data()) + 3 * (y * 1280 + x); };
    const unsigned char* piece = pixel(389, 211);
    const unsigned char* mirror = pixel(389, 720 - 211);
    EXPECT_GT(piece[0], 200);
    EXPECT_LT(piece[1], 60);
    EXPECT_LT(piece[2], 60);
    EXPECT_GT(mirror[1], 200) << "the caption appears flipped";
}

// An ffmpeg that goes away after taking a few bytes gives the writer EPIPE,
// not a SIGPIPE that kills the renderer: it says so and exits 1. With no
// ffmpeg on PATH the video cannot start, which is said at once.
TEST_F(CaptureProgram, VanishedOrMissingFfmpegFailsTheVideoWithAReason)
{
    fs::create_directories(folder / "bin");
    {
        std::FILE* script = std::fopen((folder / "bin" / "ffmpeg").c_str(), "w");
        ASSERT_NE(script, nullptr);
        std::fputs("#!/bin/sh\nhead -c 1000 >/dev/null\nexit 3\n", script);
        std::fclose(script);
    }
    fs::permissions(folder / "bin" / "ffmpeg", fs::perms::owner_all);
    struct { std::string path; const char* message; } cases[] = {
        { (folder / "bin").string() + ":/usr/bin:/bin", "ffmpeg stopped taking frames" },
        { (folder / "content").string(), "cannot start ffmpeg" },
    };
    for (const auto& c : cases) {
        ProgramRun run = RunCapture(folder, "--data content --until 1 --video v.mp4", "PATH='" + c.path + "'");
        EXPECT_EQ(run.exitCode, 1) << c.path << ": " << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.path << ": " << run.output;
    }
}
