// Mesh drawing, checked through GL feedback: what each draw sends, triangles
// with out-of-range corners left out, and the polygon mode left behind.
#include "content/mesh.h"
#include "platform/message_record.h"
#include "render_test_support.h"
#include "test_content.h"

#include <string>

namespace {

class MeshDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenHeadlessGl(64, 64, 0)); }
    static void TearDownTestSuite() { CloseHeadlessGl(); }
    void SetUp() override
    {
        dir_ = MakeTestDirectory();
        glViewport(0, 0, 64, 64);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override
    {
        ReleaseMesh(&mesh_);
        RemoveTestDirectory(dir_);
    }
    void Load(const std::string& text)
    {
        const std::string path = dir_ + "/model.obj";
        ASSERT_TRUE(WriteTestFile(path, text));
        ASSERT_TRUE(LoadObjMesh(path.c_str(), &mesh_));
    }
    // Draws the mesh in feedback mode; returns the number of polygons (filled)
    // or line segments (wire) GL received.
    int CountPrimitives(bool wire)
    {
        std::vector<GLfloat> buffer(4096);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        if (wire)
            DrawMeshWire(&mesh_);
        else
            DrawMeshFilled(&mesh_);
        const GLint used = glRenderMode(GL_RENDER);
        int primitives = 0;
        for (GLint i = 0; i < used;) {
            const GLfloat token = buffer[i++];
            if (token == GL_POLYGON_TOKEN) {
                i += 3 * static_cast<int>(buffer[i]) + 1;
                ++primitives;
            } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
                i += 6;
                ++primitives;
            } else {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
        }
        return primitives;
    }
    std::string dir_;
    Mesh mesh_ = {};
};

const char GOOD_TRIANGLE[] = "v -0.5 -0.5 0\nv 0.5 -0.5 0\nv 0 0.5 0\nvt 0 0\nvt 1 0\nvt 0 1\n";

TEST_F(MeshDrawTest, DrawsEachTriangleOnce)
{
    Load(std::string(GOOD_TRIANGLE) + "f 1/1/1 2/2/1 3/3/1\n");
    EXPECT_EQ(CountPrimitives(false), 1);
    EXPECT_EQ(CountPrimitives(true), 3);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshDrawTest, LeavesOutTrianglesWithCornersOutOfRange)
{
    // Only the first face is whole; the others point before, past or far
    // past the arrays, or were never filled.
    Load(std::string(GOOD_TRIANGLE)
        + "f 1/1/1 2/2/1 3/3/1\n"
          "f 4/1/1 2/2/1 3/3/1\n"
          "f 1/1/1 2/4/1 3/3/1\n"
          "f 0/1/1 2/2/1 3/3/1\n"
          "f -1/1/1 2/2/1 3/3/1\n"
          "f 1/1/1 2/2/1 3/-2147483648/1\n"
          "f 1/1/1 2/2/1 2147483647/3/1\n"
          "f 1//1 2//1 3//1\n");
    EXPECT_EQ(mesh_.faceCount, 8);
    EXPECT_EQ(CountPrimitives(false), 1);
    EXPECT_EQ(CountPrimitives(true), 3);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshDrawTest, EmptyAndMissingMeshesDrawNothing)
{
    EXPECT_EQ(CountPrimitives(false), 0);
    EXPECT_EQ(CountPrimitives(true), 0);
    Load("");
    EXPECT_EQ(CountPrimitives(false), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshDrawTest, BothDrawsLeaveFilledPolygonMode)
{
    Load(std::string(GOOD_TRIANGLE) + "f 1/1/1 2/2/1 3/3/1\n");
    glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
    DrawMeshWire(&mesh_);
    GLint mode[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
    EXPECT_EQ(mode[1], GL_FILL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    DrawMeshFilled(&mesh_);
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
}

}  // namespace
