// The native player's command line and frame fitting, and the data folder
// search the player and the offline renderer share.
#include "linux/command_line.h"
#include "linux/frame_fit.h"
#include "platform/data_folder.h"

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

// The executable's own folder, then ../share/halvane beside it, the system's
// folder and the working directory; a place whose data/ is missing or is
// not a folder is passed over, and a place is listed once.
TEST(DataFolder, ExecutableFolderThenSharedFolderThenWorkingDirectory)
{
    char pattern[] = "/tmp/halvane-data-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const std::string bin = root + "/usr/bin";
    const std::string share = root + "/usr/share/halvane";
    const std::string work = root + "/work";
    for (const std::string& folder : { bin, share, work })
        ASSERT_EQ(std::system(("mkdir -p '" + folder + "'").c_str()), 0);

    const std::vector<DataPlace> places = ListDataPlaces(bin + "/", work);
    std::vector<std::string> parents;
    for (const DataPlace& place : places)
        parents.push_back(place.parent);
    EXPECT_EQ(parents, (std::vector<std::string>{ bin, share, "/usr/share/halvane", work }));
    EXPECT_STREQ(places[0].reason, "beside the program");
    EXPECT_EQ(ListDataPlaces(bin, bin).size(), 3u);
    EXPECT_EQ(ListDataPlaces("", work).size(), 2u);

    // Only the last place, then the shared one before it, then the first;
    // a file named data is no data folder.
    const bool systemHasData = FindDataParent({ places[2] }) == places[2].parent;
    ASSERT_EQ(mkdir((work + "/data").c_str(), 0700), 0);
    EXPECT_EQ(FindDataParent(places), systemHasData ? places[2].parent : work);
    ASSERT_EQ(mkdir((share + "/data").c_str(), 0700), 0);
    EXPECT_EQ(FindDataParent(places), share);
    ASSERT_EQ(std::system(("touch '" + bin + "/data'").c_str()), 0);
    EXPECT_EQ(FindDataParent(places), share);
    ASSERT_EQ(unlink((bin + "/data").c_str()), 0);
    ASSERT_EQ(mkdir((bin + "/data").c_str(), 0700), 0);
    EXPECT_EQ(FindDataParent(places), bin);

    ASSERT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
}

// A content path is named from the root with its folder's links resolved
// (the offline renderer reaches a --data folder through a link), whether
// the file exists or not.
TEST(DataFolder, ContentPathsAreNamedInFull)
{
    char pattern[] = "/tmp/halvane-path-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    ASSERT_EQ(mkdir((root + "/content").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root + "/work").c_str(), 0700), 0);
    ASSERT_EQ(symlink((root + "/content").c_str(), (root + "/work/data").c_str()), 0);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir((root + "/work").c_str()), 0);
    EXPECT_EQ(ResolveContentPath("data/knot1.obj"), root + "/content/knot1.obj");
    EXPECT_EQ(ResolveContentPath("data/missing/knot1.obj"), "data/missing/knot1.obj");
    EXPECT_EQ(ResolveContentPath("/etc/../etc/hostname"), "/etc/hostname");
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
}

}  // namespace
