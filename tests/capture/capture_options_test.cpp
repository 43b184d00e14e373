// The command line of halvane-capture, parsed as a function: what each
// output sets, the defaults, and every kind of bad argument.
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_video.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Parses a list given without the program name.
CaptureParseResult Parse(std::vector<const char*> args, CaptureOptions* options, std::string* error)
{
    args.insert(args.begin(), "halvane-capture");
    return ParseCaptureOptions(static_cast<int>(args.size()), args.data(), options, error);
}

// Expects the list to be refused with a message containing fragment.
void ExpectRefused(std::vector<const char*> args, const char* fragment)
{
    CaptureOptions options;
    std::string error;
    EXPECT_EQ(Parse(args, &options, &error), CAPTURE_PARSE_ERROR) << "accepted: " << args.size() << " args";
    EXPECT_NE(error.find(fragment), std::string::npos) << "message was: " << error;
}

TEST(CaptureOptions, OutputsAndSettingsAreRead)
{
    CaptureOptions o;
    std::string error;
    ASSERT_EQ(Parse({ "--at", "13.5", "a.png", "--video", "v.mp4", "--sheet", "s.PNG", "--fps", "30",
        "--aspect", "4:3", "--data", "/d", "--until", "100", "--samples", "8" }, &o, &error), CAPTURE_PARSE_OK)
        << error;
    EXPECT_TRUE(o.hasAt);
    EXPECT_DOUBLE_EQ(o.atTime, 13.5);
    EXPECT_EQ(o.atFile, "a.png");
    EXPECT_EQ(o.videoFile, "v.mp4");
    EXPECT_EQ(o.sheetFile, "s.PNG");
    EXPECT_EQ(o.fps, 30);
    EXPECT_TRUE(o.fourThree);
    EXPECT_EQ(o.dataDir, "/d");
    EXPECT_DOUBLE_EQ(o.untilTime, 100.0);
    EXPECT_EQ(o.samples, 8);
    EXPECT_FALSE(o.bench);
    ASSERT_EQ(Parse({ "--width", "320", "--bench" }, &o, &error), CAPTURE_PARSE_OK) << error;
    EXPECT_EQ(o.width, 320);
}

TEST(CaptureOptions, DefaultsAre60FramesAnd16By9)
{
    CaptureOptions o;
    std::string error;
    ASSERT_EQ(Parse({ "--bench" }, &o, &error), CAPTURE_PARSE_OK) << error;
    EXPECT_EQ(o.fps, 60);
    EXPECT_FALSE(o.fourThree);
    EXPECT_EQ(o.samples, 4);
    EXPECT_EQ(o.width, 0);
    EXPECT_TRUE(o.dataDir.empty());
    EXPECT_DOUBLE_EQ(o.untilTime, 180.0);
}

TEST(CaptureOptions, HelpWinsOverMissingOutputs)
{
    CaptureOptions o;
    std::string error;
    EXPECT_EQ(Parse({ "--help" }, &o, &error), CAPTURE_PARSE_HELP);
    EXPECT_EQ(Parse({ "-h", "--fps", "24" }, &o, &error), CAPTURE_PARSE_HELP);
    // Every option is explained.
    std::string usage = GetCaptureUsage();
    for (const char* option : { "--at", "--from", "--to", "--every", "--video", "--sheet", "--bench",
             "--profile", "--startup", "--x264", "--until", "--fps", "--samples", "--aspect", "--width", "--data",
             "--help" })
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_NE(usage.find(std::string("default \"") + DEFAULT_X264_SETTINGS + "\""), std::string::npos);
}

TEST(CaptureOptions, EveryTargetsIncludeBothEnds)
{
    CaptureOptions o;
    std::string error;
    ASSERT_EQ(Parse({ "--from", "0.3", "--to", "0.5", "--every", "0.05", "dir" }, &o, &error), CAPTURE_PARSE_OK);
    EXPECT_EQ(CountEveryTargets(o), 5);  // 0.3 0.35 0.4 0.45 0.5 (0.2 / 0.05 rounds below 4)
    EXPECT_DOUBLE_EQ(GetEveryTarget(o, 4), 0.3 + 0.05 * 4);
    ASSERT_EQ(Parse({ "--from", "10", "--to", "10", "--every", "1", "dir" }, &o, &error), CAPTURE_PARSE_OK);
    EXPECT_EQ(CountEveryTargets(o), 1);
    // Without --from and --to: 0.3 to the pass's end.
    ASSERT_EQ(Parse({ "--every", "60", "dir" }, &o, &error), CAPTURE_PARSE_OK);
    EXPECT_EQ(CountEveryTargets(o), 3);  // 0.3, 60.3, 120.3
    ASSERT_EQ(Parse({ "--every", "1", "dir", "--until", "5" }, &o, &error), CAPTURE_PARSE_OK);
    EXPECT_EQ(CountEveryTargets(o), 5);  // 0.3 .. 4.3
}

TEST(CaptureOptions, SheetTakesEveryFiveSecondsFromTheFirstFrame)
{
    CaptureOptions o;
    EXPECT_EQ(CountSheetTargets(o), 37);
    EXPECT_DOUBLE_EQ(GetSheetTarget(0), 0.3);
    EXPECT_DOUBLE_EQ(GetSheetTarget(1), 5.0);
    EXPECT_DOUBLE_EQ(GetSheetTarget(36), 180.0);
    o.untilTime = 12.0;
    EXPECT_EQ(CountSheetTargets(o), 3);
}

TEST(CaptureOptions, BadArgumentsAreRefusedWithAReason)
{
    ExpectRefused({}, "nothing to do");
    ExpectRefused({ "--fps", "30" }, "nothing to do");
    ExpectRefused({ "--frobnicate" }, "unknown argument '--frobnicate'");
    ExpectRefused({ "out.png" }, "unknown argument 'out.png'");
    ExpectRefused({ "--at", "5" }, "--at needs two values");
    ExpectRefused({ "--video" }, "--video needs a value");
    ExpectRefused({ "--at", "five", "a.png" }, "'five' is not a number");
    ExpectRefused({ "--at", "5s", "a.png" }, "'5s' is not a number");
    ExpectRefused({ "--at", "nan", "a.png" }, "not a number");
    ExpectRefused({ "--at", "-1", "a.png" }, "outside the show");
    ExpectRefused({ "--at", "180.5", "a.png" }, "outside the show");
    ExpectRefused({ "--at", "1", "a.png", "--at", "2", "b.png" }, "--at is given twice");
    ExpectRefused({ "--at", "1", "" }, "file name");
    ExpectRefused({ "--sheet", "a.png", "--sheet", "b.png" }, "given twice");
    ExpectRefused({ "--every", "0", "dir" }, "not a positive number");
    ExpectRefused({ "--every", "-1", "dir" }, "not a positive number");
    ExpectRefused({ "--every", "0.0001", "dir" }, "more than 100000 files");
    ExpectRefused({ "--from", "1", "--to", "2" }, "need --every");
    ExpectRefused({ "--from", "3", "--to", "2", "--every", "1", "d" }, "must not lie after");
    ExpectRefused({ "--fps", "0", "--bench" }, "whole number from 1 to 1000");
    ExpectRefused({ "--fps", "29.97", "--bench" }, "whole number");
    ExpectRefused({ "--fps", "1001", "--bench" }, "whole number");
    ExpectRefused({ "--aspect", "5:4", "--bench" }, "neither 16:9 nor 4:3");
    ExpectRefused({ "--samples", "3", "--bench" }, "not 1, 2, 4 or 8");
    ExpectRefused({ "--samples", "0", "--bench" }, "not 1, 2, 4 or 8");
    ExpectRefused({ "--width", "100", "--bench" }, "steps of 16");
    ExpectRefused({ "--width", "48", "--bench" }, "from 64 to 1280");
    ExpectRefused({ "--width", "1296", "--bench" }, "from 64 to 1280");
    ExpectRefused({ "--width", "320", "--aspect", "4:3", "--bench" }, "not go with --aspect 4:3");
    ExpectRefused({ "--bench", "--sheet", "s.png" }, "give it alone");
    ExpectRefused({ "--at", "50", "a.png", "--until", "40" }, "--at lies after --until");
    ExpectRefused({ "--every", "1", "d", "--to", "50", "--until", "40" }, "--to lies after --until");
    ExpectRefused({ "--profile", "p.png" }, "give both");
    ExpectRefused({ "--at", "1", "x.jpg" }, "--at: 'x.jpg' does not end in .png");
    ExpectRefused({ "--sheet", "s.png.gz" }, "--sheet: 's.png.gz' does not end in .png");
    ExpectRefused({ "--at", "1", ".png" }, "does not end in .png");
    ExpectRefused({ "--bench", "--profile", "p.svg" }, "--profile: 'p.svg'");
    ExpectRefused({ "--startup", "--bench" }, "give it alone");
    ExpectRefused({ "--startup", "--at", "1", "a.png" }, "give it alone");
    ExpectRefused({ "--x264", "-crf 20", "--bench" }, "give both");
    ExpectRefused({ "--video", "v.mp4", "--x264", "-crf 20; rm -rf ~" }, "not a list of encoder options");
    ExpectRefused({ "--video", "v.mp4", "--x264", "" }, "not a list of encoder options");
}

TEST(CaptureOptions, MeasurementsAndEncoderSettingsAreRead)
{
    CaptureOptions o;
    std::string error;
    ASSERT_EQ(Parse({ "--startup", "--samples", "1", "--aspect", "4:3" }, &o, &error), CAPTURE_PARSE_OK) << error;
    EXPECT_TRUE(o.startup);
    ASSERT_EQ(Parse({ "--bench", "--profile", "p.png" }, &o, &error), CAPTURE_PARSE_OK) << error;
    EXPECT_TRUE(o.bench);
    EXPECT_EQ(o.profileFile, "p.png");
    ASSERT_EQ(Parse({ "--video", "v.mp4", "--x264", "-preset faster -crf 20 -tune animation" }, &o, &error),
        CAPTURE_PARSE_OK) << error;
    EXPECT_EQ(o.x264Settings, "-preset faster -crf 20 -tune animation");
}

}  // namespace
