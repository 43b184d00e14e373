// Runs the generator for the tests (see content_test_files.h).
#include "tests/content_gen/content_test_files.h"
#include "timeline/caption_schedule.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

// Every folder the generator wrote into, removed when the tests end.
static std::vector<std::string> s_madeDirs;

// Removes the generator's folders after the last test.
class GeneratedDirCleanup : public ::testing::Environment {
public:
    void TearDown() override
    {
        for (const std::string& dir : s_madeDirs) {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    }
};

static ::testing::Environment* const s_cleanup =
    ::testing::AddGlobalTestEnvironment(new GeneratedDirCleanup);

std::string RunGenerator()
{
    char dir[] = "/tmp/halvane-content-XXXXXX";
    if (!mkdtemp(dir))
        return "";
    s_madeDirs.push_back(dir);
    const std::string command = std::string("'") + HALVANE_CONTENT_TOOL + "' --out '" + dir +
                                "' --only-visuals > /dev/null";
    if (std::system(command.c_str()) != 0)
        return "";
    return dir;
}

const std::string& GetGeneratedDir()
{
    static const std::string dir = RunGenerator();
    return dir;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListVisualFiles()
{
    std::vector<std::string> files = {
        "data/sphere_up.obj", "data/sphere_down.obj", "data/startunnel.obj",
        "data/knot1.obj", "data/knot2.obj", "data/knot3.obj", "data/knot4.obj",
        "data/png/credits.png", "resources/title.bmp",
        "resources/icons/hicolor/48x48/apps/halvane.png", "resources/icons/hicolor/128x128/apps/halvane.png",
        "resources/icons/hicolor/256x256/apps/halvane.png",
    };
    for (const CaptionSheet& sheet : CAPTION_SHEETS)
        files.push_back(sheet.file);
    return files;
}
