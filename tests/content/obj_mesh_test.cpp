// The OBJ loader: chunking, counting, parsing, index conversion, the missing
// file's message, and its guards against surplus entries and reloading.
#include "content/mesh.h"
#include "platform/data_folder.h"
#include "platform/message_box.h"
#include "platform/message_record.h"
#include "test_content.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The smallest complete file: three positions, three texcoords, one face.
const char TRIANGLE_OBJ[] =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    "vt 0 0\nvt 1 0\nvt 0 1\n"
    "f 1/1/1 2/2/1 3/3/1\n";

// Each test gets its own directory and a mesh released afterwards.
class ObjMeshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTestDirectory();
        ClearShownMessages();
    }
    void TearDown() override
    {
        ReleaseMesh(&mesh_);
        RemoveTestDirectory(dir_);
    }
    // Writes text to a file of the test directory and loads it into mesh_.
    bool Load(const std::string& text, const char* name = "model.obj")
    {
        const std::string path = dir_ + "/" + name;
        EXPECT_TRUE(WriteTestFile(path, text));
        return LoadObjMesh(path.c_str(), &mesh_);
    }
    void ExpectCounts(int positions, int texcoords, int faces)
    {
        EXPECT_EQ(mesh_.positionCount, positions);
        EXPECT_EQ(mesh_.texcoordCount, texcoords);
        EXPECT_EQ(mesh_.faceCount, faces);
        EXPECT_EQ(mesh_.indexCount, 3 * faces);
    }
    std::string dir_;
    Mesh mesh_ = {};
};

TEST_F(ObjMeshTest, ReadsTriangleWithAndWithoutLastLineEnd)
{
    for (bool lastLineEnd : { true, false }) {
        std::string text = TRIANGLE_OBJ;
        if (!lastLineEnd)
            text.pop_back();
        ASSERT_TRUE(Load(text));
        ExpectCounts(3, 3, 1);
        EXPECT_EQ(mesh_.nextPosition, 3);
        EXPECT_EQ(mesh_.nextTexcoord, 3);
        EXPECT_EQ(mesh_.nextCorner, 3);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(mesh_.positionIndices[c], c);
            EXPECT_EQ(mesh_.texcoordIndices[c], c);
        }
        EXPECT_FLOAT_EQ(mesh_.positions[1].x, 1.0f);
        EXPECT_FLOAT_EQ(mesh_.positions[2].y, 1.0f);
        EXPECT_FLOAT_EQ(mesh_.texcoords[2].v, 1.0f);
    }
    EXPECT_EQ(CountShownMessages(), 0);
}

TEST_F(ObjMeshTest, EmptyFileGivesEmptyMeshAndTrue)
{
    ASSERT_TRUE(Load(""));
    ExpectCounts(0, 0, 0);
    EXPECT_EQ(mesh_.positions, nullptr);
    EXPECT_EQ(mesh_.positionIndices, nullptr);
}

TEST_F(ObjMeshTest, MissingFileShowsMessageAndLeavesMeshAlone)
{
    ASSERT_TRUE(Load(TRIANGLE_OBJ));
    const std::string missing = dir_ + "/missing.obj";
    EXPECT_FALSE(LoadObjMesh(missing.c_str(), &mesh_));
    ASSERT_EQ(CountShownMessages(), 1);
    EXPECT_STREQ(GetShownMessage(0)->text, "Error opening .obj file");
    EXPECT_STREQ(GetShownMessage(0)->caption, "App");
    EXPECT_EQ(GetShownMessage(0)->flags, static_cast<unsigned>(MESSAGE_OK));
    // The message names the file by its full path (for stderr).
    EXPECT_EQ(std::string(GetShownMessage(0)->file), ResolveContentPath(missing.c_str()));
    EXPECT_EQ(std::string(GetShownMessage(0)->file).front(), '/');
    // The model loaded before is still there.
    ExpectCounts(3, 3, 1);
    EXPECT_EQ(mesh_.positionIndices[2], 2);

    Mesh fresh = {};
    EXPECT_FALSE(LoadObjMesh(missing.c_str(), &fresh));
    EXPECT_EQ(fresh.indexCount, 0);
    EXPECT_EQ(fresh.positions, nullptr);
}

TEST_F(ObjMeshTest, OtherLinesCountNothing)
{
    ASSERT_TRUE(Load(
        "# made by hand\nmtllib show.mtl\no knot\ng group\nusemtl teal\ns off\n"
        "vn 0 0 1\nvn 0 1 0\n" + std::string(TRIANGLE_OBJ) + "vn 1 0 0\n# end\n"));
    ExpectCounts(3, 3, 1);
    EXPECT_EQ(mesh_.positionIndices[1], 1);
}

TEST_F(ObjMeshTest, FaceTakesFirstThreeCornersOnly)
{
    ASSERT_TRUE(Load("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nf 1/1/1 2/1/1 4/1/1 3/1/1\n"));
    ExpectCounts(4, 1, 1);
    EXPECT_EQ(mesh_.positionIndices[0], 0);
    EXPECT_EQ(mesh_.positionIndices[1], 1);
    EXPECT_EQ(mesh_.positionIndices[2], 3);
}

TEST_F(ObjMeshTest, IndicesFollowTheirBasePrefix)
{
    // 010 is octal 8, 0x1A hexadecimal 26; each less one.
    ASSERT_TRUE(Load("f 010/0x1A/1 0x10/011/0 9/09/1\n"));
    ExpectCounts(0, 0, 1);
    EXPECT_EQ(mesh_.positionIndices[0], 7);
    EXPECT_EQ(mesh_.texcoordIndices[0], 25);
    EXPECT_EQ(mesh_.positionIndices[1], 15);
    EXPECT_EQ(mesh_.texcoordIndices[1], 8);
    EXPECT_EQ(mesh_.positionIndices[2], 8);
    // "09" is not octal: %i stops after the 0, and the pattern stops there.
    EXPECT_EQ(mesh_.texcoordIndices[2], -1);
}

TEST_F(ObjMeshTest, LongLineIsReadAsChunksOf79Characters)
{
    // A 100-character line: 79 characters of comment, then a chunk that
    // starts with a position key.
    std::string line = std::string(79, '#') + "v 4 5 6";
    line += std::string(100 - line.size(), ' ');
    ASSERT_TRUE(Load(line + "\n"));
    ExpectCounts(1, 0, 0);
    EXPECT_FLOAT_EQ(mesh_.positions[0].x, 4.0f);
    EXPECT_FLOAT_EQ(mesh_.positions[0].z, 6.0f);

    // A key that straddles the chunk boundary is found in neither chunk.
    ASSERT_TRUE(Load(std::string(78, '#') + "v 1 2 3\n"));
    ExpectCounts(0, 0, 0);
}

TEST_F(ObjMeshTest, TwoKeyChunkIsCountedOnceAndItsSurplusDropped)
{
    // Counted as a position only; parsed as a face too, which finds no slot
    // left after the file's one real face and is dropped.
    ASSERT_TRUE(Load(std::string(TRIANGLE_OBJ) + "v 7 8 9 f 1/1/1 2/2/2 3/3/3\n"));
    ExpectCounts(4, 3, 1);
    EXPECT_EQ(mesh_.nextPosition, 4);
    EXPECT_EQ(mesh_.nextCorner, 3);
    EXPECT_FLOAT_EQ(mesh_.positions[3].z, 9.0f);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(mesh_.positionIndices[c], c);

    // Before the real face it takes the face's slot without filling it, and
    // the real face is the surplus: the unfilled corners are out of range.
    ASSERT_TRUE(Load("v 7 8 9 f 1/1/1 2/2/2 3/3/3\n" + std::string(TRIANGLE_OBJ)));
    ExpectCounts(4, 3, 1);
    EXPECT_EQ(mesh_.nextCorner, 3);
    EXPECT_EQ(mesh_.positionIndices[0], -1);

    // A position chunk that also holds a texcoord key: the texcoord table is
    // already full, so nothing is written past it.
    ASSERT_TRUE(Load("vt 0.5 0.5\nv 1 2 3 vt 9 9\n"));
    ExpectCounts(1, 1, 0);
    EXPECT_EQ(mesh_.nextTexcoord, 1);
    EXPECT_FLOAT_EQ(mesh_.texcoords[0].u, 0.5f);
}

TEST_F(ObjMeshTest, UnparsedSlotsAreConsumedAndOutOfRange)
{
    // position//normal triples fill only the first corner's position index.
    ASSERT_TRUE(Load("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//1 2//1 3//1\nf 1/1/1 2/1/1 3/1/1\n"));
    ExpectCounts(3, 0, 2);
    EXPECT_EQ(mesh_.nextCorner, 6);
    EXPECT_EQ(mesh_.positionIndices[0], 0);
    EXPECT_EQ(mesh_.texcoordIndices[0], -1);
    EXPECT_EQ(mesh_.positionIndices[1], -1);
    EXPECT_EQ(mesh_.positionIndices[3], 0);
    EXPECT_EQ(mesh_.positionIndices[5], 2);
}

TEST_F(ObjMeshTest, IndicesAreStoredUnchecked)
{
    ASSERT_TRUE(Load("v 0 0 0\nvt 0 0\nf -1/1/1 0/1/1 -2147483648/2147483647/1\n"));
    EXPECT_EQ(mesh_.positionIndices[0], -2);
    EXPECT_EQ(mesh_.positionIndices[1], -1);
    EXPECT_EQ(mesh_.positionIndices[2], INT32_MIN);
    EXPECT_EQ(mesh_.texcoordIndices[2], INT32_MAX - 1);
}

TEST_F(ObjMeshTest, SecondLoadEmptiesTheMeshFirst)
{
    ASSERT_TRUE(Load(TRIANGLE_OBJ));
    ASSERT_TRUE(Load(TRIANGLE_OBJ));
    ExpectCounts(3, 3, 1);
    EXPECT_EQ(mesh_.nextPosition, 3);
    EXPECT_EQ(mesh_.nextCorner, 3);
    EXPECT_EQ(mesh_.positionIndices[2], 2);
    EXPECT_FLOAT_EQ(mesh_.positions[1].x, 1.0f);

    ASSERT_TRUE(Load("v 5 5 5\n"));
    ExpectCounts(1, 0, 0);
    EXPECT_EQ(mesh_.nextCorner, 0);
    EXPECT_EQ(mesh_.positionIndices, nullptr);
    EXPECT_FLOAT_EQ(mesh_.positions[0].x, 5.0f);
}

// The largest file is read, at 8 bytes of mesh per byte of file; one byte
// more is refused as unreadable, with the missing file's box, before any of
// it is read.
TEST_F(ObjMeshTest, LargestFileIsReadAndALargerOneRefused)
{
    const std::string faces = MakeFaceLinesObj(OBJ_MAX_FILE_SIZE);
    ASSERT_TRUE(Load(faces));
    ExpectCounts(0, 0, static_cast<int>(OBJ_MAX_FILE_SIZE / 3));
    EXPECT_EQ(CountShownMessages(), 0);

    ASSERT_FALSE(Load(faces + "v 1 2 3\n"));
    ASSERT_EQ(CountShownMessages(), 1);
    EXPECT_STREQ(GetShownMessage(0)->text, "Error opening .obj file");
    ExpectCounts(0, 0, static_cast<int>(OBJ_MAX_FILE_SIZE / 3));
}

TEST_F(ObjMeshTest, GarbageNeverBreaksTheLoader)
{
    std::string garbage;
    uint32_t state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        const char pool[] = "vtf /0123456789-+.eE\n\t#x";
        garbage += pool[(state >> 16) % (sizeof pool - 1)];
    }
    garbage[100] = '\0';  // an embedded zero byte ends that chunk early
    ASSERT_TRUE(Load(garbage));
    EXPECT_LE(mesh_.nextPosition, mesh_.positionCount);
    EXPECT_LE(mesh_.nextTexcoord, mesh_.texcoordCount);
    EXPECT_LE(mesh_.nextCorner, mesh_.indexCount);
}

}  // namespace
