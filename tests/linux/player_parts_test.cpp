// The native player's command line, frame fitting and data folder search.
#include "linux/command_line.h"
#include "linux/data_folder.h"
#include "linux/frame_fit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Parses a list given without the program name.
PlayerParseResult Parse(std::vector<const char*> args, PlayerOptions* options, std::string* error)
{
    args.insert(args.begin(), "halvane");
    return ParsePlayerOptions(static_cast<int>(args.size()), args.data(), options, error);
}

// Every accepted form: the settings, whether the dialog is skipped, and the
// dialog's preselection for whatever is not given.
TEST(PlayerOptions, AcceptedListsGiveTheirSettings)
{
    struct Case {
        std::vector<const char*> args;
        bool skipDialog;
        int width, height, viewportHeight, fullscreen;
        bool reportTiming;
    };
    const Case cases[] = {
        { {}, false, 1280, 720, 720, 1, false },
        { { "--report-timing" }, false, 1280, 720, 720, 1, true },
        { { "--aspect", "4:3" }, true, 1024, 768, 576, 1, false },
        { { "--aspect=4:3", "--windowed" }, true, 1024, 768, 576, 0, false },
        { { "--windowed" }, true, 1280, 720, 720, 0, false },
        { { "--fullscreen", "--aspect", "16:9", "--report-timing" }, true, 1280, 720, 720, 1, true },
        { { "--aspect", "16:9", "--aspect=16:9", "--windowed", "--windowed" }, true, 1280, 720, 720, 0, false },
    };
    for (const Case& c : cases) {
        PlayerOptions o;
        std::string error;
        ASSERT_EQ(Parse(c.args, &o, &error), PLAYER_PARSE_OK) << error;
        const std::string which = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(o.skipDialog, c.skipDialog) << which;
        EXPECT_EQ(o.display.windowWidth, c.width) << which;
        EXPECT_EQ(o.display.windowHeight, c.height) << which;
        EXPECT_EQ(o.display.viewportHeight, c.viewportHeight) << which;
        EXPECT_EQ(o.display.fullscreen, c.fullscreen) << which;
        EXPECT_EQ(o.reportTiming, c.reportTiming) << which;
    }
}

// Help wins wherever it stands; every bad list is refused with a message
// that names what was wrong.
TEST(PlayerOptions, HelpAndRefusals)
{
    PlayerOptions o;
    std::string error;
    EXPECT_EQ(Parse({ "--help" }, &o, &error), PLAYER_PARSE_HELP);
    EXPECT_EQ(Parse({ "--windowed", "-h" }, &o, &error), PLAYER_PARSE_HELP);
    EXPECT_NE(std::string(GetPlayerUsage()).find("--aspect 16:9|4:3"), std::string::npos);

    const std::pair<std::vector<const char*>, const char*> refused[] = {
        { { "--aspect" }, "needs a value" },
        { { "--aspect", "21:9" }, "'21:9'" },
        { { "--aspect=" }, "''" },
        { { "--aspect", "4:3", "--aspect", "16:9" }, "conflicting --aspect" },
        { { "--fullscreen", "--windowed" }, "conflicting --fullscreen/--windowed" },
        { { "--window" }, "unknown option '--window'" },
        { { "--fullscreen=1" }, "unknown option '--fullscreen=1'" },
        { { "-x" }, "unknown option '-x'" },
        { { "show" }, "unexpected argument 'show'" },
    };
    for (const auto& r : refused) {
        error.clear();
        EXPECT_EQ(Parse(r.first, &o, &error), PLAYER_PARSE_ERROR) << r.second;
        EXPECT_NE(error.find(r.second), std::string::npos) << "message was: " << error;
    }
}

// The frame as large as it fits, centred, its shape kept; nothing for a
// window without area.
TEST(FrameFit, LargestCentredRectangleOfTheFrameShape)
{
    struct Case {
        int frameWidth, frameHeight, targetWidth, targetHeight;
        FrameRect expected;
    };
    const Case cases[] = {
        { 1280, 720, 1280, 720, { 0, 0, 1280, 720 } },
        { 1280, 720, 1920, 1080, { 0, 0, 1920, 1080 } },
        { 1280, 720, 1280, 1024, { 0, 152, 1280, 720 } },   // bars above and below
        { 1280, 720, 1024, 768, { 0, 96, 1024, 576 } },
        { 1280, 720, 2560, 1080, { 320, 0, 1920, 1080 } },  // bars left and right
        { 1024, 768, 1920, 1080, { 240, 0, 1440, 1080 } },
        { 1024, 768, 1280, 1024, { 0, 32, 1280, 960 } },
        { 1280, 720, 1366, 768, { 0, 0, 1365, 768 } },      // 768 * 16 / 9 = 1365.3: the height binds
        { 1280, 720, 1001, 1000, { 0, 218, 1001, 563 } },   // 563.06 rounds down, odd leftover to the top
        { 1280, 720, 0, 720, { 0, 0, 0, 0 } },
        { 1280, 720, 800, 0, { 0, 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        const FrameRect r = FitFrame(c.frameWidth, c.frameHeight, c.targetWidth, c.targetHeight);
        EXPECT_EQ(r.x, c.expected.x) << c.targetWidth << "x" << c.targetHeight;
        EXPECT_EQ(r.y, c.expected.y) << c.targetWidth << "x" << c.targetHeight;
        EXPECT_EQ(r.width, c.expected.width) << c.targetWidth << "x" << c.targetHeight;
        EXPECT_EQ(r.height, c.expected.height) << c.targetWidth << "x" << c.targetHeight;
    }
}

// The executable's own folder first, then ../share/halvane beside it; a
// folder without data/ is passed over.
TEST(DataFolder, ExecutableFolderThenSharedFolder)
{
    char pattern[] = "/tmp/halvane-data-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const std::string build = root + "/build";
    const std::string bin = root + "/usr/bin";
    ASSERT_EQ(mkdir(build.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((build + "/data").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root + "/usr").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(bin.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root + "/usr/share").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root + "/usr/share/halvane").c_str(), 0700), 0);

    EXPECT_EQ(FindDataParent(build), build);
    // No data/ yet under share: what is found is not this tree's.
    EXPECT_NE(FindDataParent(bin), bin + "/../share/halvane");
    ASSERT_EQ(mkdir((root + "/usr/share/halvane/data").c_str(), 0700), 0);
    EXPECT_EQ(FindDataParent(bin), bin + "/../share/halvane");

    rmdir((root + "/usr/share/halvane/data").c_str());
    rmdir((root + "/usr/share/halvane").c_str());
    rmdir((root + "/usr/share").c_str());
    rmdir(bin.c_str());
    rmdir((root + "/usr").c_str());
    rmdir((build + "/data").c_str());
    rmdir(build.c_str());
    rmdir(root.c_str());
}

}  // namespace
