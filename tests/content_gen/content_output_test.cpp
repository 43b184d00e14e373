// The generator's output as a whole: every file at its path, and the same
// bytes from a second run.
#include "tests/content_gen/content_test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(ContentOutput, WritesEveryFileAtItsPath)
{
    const std::string& dir = GetGeneratedDir();
    ASSERT_FALSE(dir.empty()) << "the generator failed";
    for (const std::string& file : ListVisualFiles())
        EXPECT_FALSE(ReadFileBytes(dir + "/" + file).empty()) << file;
    struct stat info;
    EXPECT_NE(stat((dir + "/data/png/12.png").c_str(), &info), 0) << "there is no caption 12";
}

TEST(ContentOutput, SecondRunWritesTheSameBytes)
{
    const std::string& first = GetGeneratedDir();
    const std::string second = RunGenerator();
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    for (const std::string& file : ListVisualFiles()) {
        const std::vector<unsigned char> a = ReadFileBytes(first + "/" + file);
        const std::vector<unsigned char> b = ReadFileBytes(second + "/" + file);
        EXPECT_FALSE(a.empty()) << file;
        EXPECT_TRUE(a == b) << file << " differs between two runs";
    }
}
