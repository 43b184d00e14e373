// What a data folder may hold under a content file's name besides a file: a
// folder, a FIFO with no writer, a link to an endless device. Each is
// refused at once as a missing file would be (the mesh loader's box, the
// picture's silent refusal); a FIFO never blocks the open. A regular file,
// also through a link, opens with its size.
#include "content/mesh.h"
#include "content/png_check.h"
#include "platform/message_record.h"
#include "platform/regular_file.h"
#include "test_content.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One kind of thing under a file's name, made at path.
struct SpecialFile {
    const char* name;
    std::function<bool(const std::string& path)> make;
};

const SpecialFile SPECIAL_FILES[] = {
    { "missing", [](const std::string&) { return true; } },
    { "folder", [](const std::string& path) { return mkdir(path.c_str(), 0755) == 0; } },
    { "FIFO", [](const std::string& path) { return mkfifo(path.c_str(), 0644) == 0; } },
    { "link to /dev/zero", [](const std::string& path) { return symlink("/dev/zero", path.c_str()) == 0; } },
    { "link to /dev/urandom", [](const std::string& path) { return symlink("/dev/urandom", path.c_str()) == 0; } },
    { "dangling link", [](const std::string& path) { return symlink("nowhere", path.c_str()) == 0; } },
};

TEST(SpecialFile, IsRefusedAtOnceAsMissing)
{
    for (const SpecialFile& special : SPECIAL_FILES) {
        const std::string dir = MakeTestDirectory();
        const std::string obj = dir + "/knot1.obj", png = dir + "/13.png";
        ASSERT_TRUE(special.make(obj) && special.make(png)) << special.name;

        int64_t size = -1;
        EXPECT_EQ(OpenRegularFile(obj.c_str(), &size), nullptr) << special.name;
        EXPECT_EQ(size, -1) << special.name;
        EXPECT_FALSE(CheckPngFile(png.c_str())) << special.name;
        ClearShownMessages();
        Mesh mesh = {};
        EXPECT_FALSE(LoadObjMesh(obj.c_str(), &mesh)) << special.name;
        ASSERT_EQ(CountShownMessages(), 1) << special.name;
        EXPECT_STREQ(GetShownMessage(0)->text, "Error opening .obj file");
        EXPECT_EQ(mesh.positions, nullptr);
        RemoveTestDirectory(dir);
    }
}

TEST(SpecialFile, RegularFileOpensWithItsSizeAlsoThroughALink)
{
    const std::string dir = MakeTestDirectory();
    const std::string file = dir + "/model.obj", link = dir + "/link.obj";
    ASSERT_TRUE(WriteTestFile(file, "v 1 2 3\n"));
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    for (const std::string& path : { file, link }) {
        int64_t size = -1;
        FILE* opened = OpenRegularFile(path.c_str(), &size);
        ASSERT_NE(opened, nullptr) << path;
        EXPECT_EQ(size, 8);
        char text[16] = {};
        EXPECT_EQ(std::fread(text, 1, sizeof text, opened), 8u);
        EXPECT_STREQ(text, "v 1 2 3\n");
        std::fclose(opened);
    }
    Mesh mesh = {};
    EXPECT_TRUE(LoadObjMesh(link.c_str(), &mesh));
    EXPECT_EQ(mesh.positionCount, 1);
    ReleaseMesh(&mesh);
    RemoveTestDirectory(dir);
}

}  // namespace
