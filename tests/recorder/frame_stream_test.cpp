// Mesh draws, InitShow and whole frames, call by call: the mesh draws against
// hand-listed corners, InitShow and RenderFrame against the expectation
// builder, at the instants where windows meet and in both display settings.
#include "call_recorder.h"
#include "expected_show.h"
#include "stream_test_support.h"

#include "content/show_content.h"
#include "platform/gl_api.h"
#include "platform/message_record.h"
#include "scenes/pulse_squares.h"
#include "scenes/show_random.h"
#include "test_content.h"
#include "timeline/show_frame.h"

#include <cmath>
#include <string>

namespace {

// One mesh file and the corners it must draw, as (position, texcoord) pairs
// of the file's values.
struct MeshCase {
    const char* name;
    const char* obj;  // null: no file
    std::vector<std::pair<int, int>> corners;
};

const float POSITIONS[4][3] = { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0.5f, 0.25f, 1 } };
const float TEXCOORDS[3][2] = { { 0.25f, 0.5f }, { 0.75f, 0.125f }, { 1, 1 } };
const char MESH_VALUES[] =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0.5 0.25 1\nvt 0.25 0.5\nvt 0.75 0.125\nvt 1 1\n";

// The two draws of a mesh whose corners are given: texcoord then vertex per
// corner when filled, vertices only in wire mode, which ends filled.
void ExpectCorners(const std::vector<std::pair<int, int>>& corners, bool wire)
{
    glPolygonMode(GL_FRONT_AND_BACK, wire ? GL_LINE : GL_FILL);
    glBegin(GL_TRIANGLES);
    for (const auto& corner : corners) {
        const float* v = POSITIONS[corner.first];
        if (!wire)
            glTexCoord2f(TEXCOORDS[corner.second][0], TEXCOORDS[corner.second][1]);
        glVertex3f(v[0], v[1], v[2]);
    }
    glEnd();
    if (wire)
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

TEST(MeshStream, DrawsEachCornersOwnPositionAndTexcoord)
{
    const std::string good = std::string(MESH_VALUES) + "f 2/3/1 4/1/1 1/2/1\nf 3/2/1 1/3/1 4/1/1\n";
    // Triangles with a corner outside the arrays (too large, zero, negative,
    // the extremes, never filled) are left out whole.
    const std::string bad = good
        + "f 5/1/1 2/2/1 3/3/1\nf 1/1/1 2/4/1 3/3/1\nf 0/1/1 2/2/1 3/3/1\nf -1/1/1 2/2/1 3/3/1\n"
          "f 1/1/1 2/2/1 3/-2147483648/1\nf 1/1/1 2/2/1 2147483647/3/1\nf 1//1 2//1 3//1\n";
    const std::vector<std::pair<int, int>> goodCorners = { { 1, 2 }, { 3, 0 }, { 0, 1 }, { 2, 1 }, { 0, 2 }, { 3, 0 } };
    const MeshCase cases[] = {
        { "two triangles", good.c_str(), goodCorners },
        { "corners out of range", bad.c_str(), goodCorners },
        { "empty file", "", {} },
        { "missing file", nullptr, {} },
    };
    const std::string dir = MakeTestDirectory();
    for (const MeshCase& c : cases) {
        Mesh mesh = {};
        const std::string path = dir + "/" + c.name + ".obj";
        if (c.obj) {
            ASSERT_TRUE(WriteTestFile(path, c.obj));
        }
        ClearShownMessages();
        EXPECT_EQ(LoadObjMesh(path.c_str(), &mesh), c.obj != nullptr);
        EXPECT_EQ(CountShownMessages(), c.obj ? 0 : 1);
        for (bool wire : { false, true }) {
            EXPECT_TRUE(CompareStreams([&] { wire ? DrawMeshWire(&mesh) : DrawMeshFilled(&mesh); },
                [&] { ExpectCorners(c.corners, wire); }))
                << c.name << (wire ? ", wire" : ", filled");
        }
        ReleaseMesh(&mesh);
    }
    RemoveTestDirectory(dir);
}

// The show loaded once from the test content, as InitShow does it; what it
// recorded, and what the builder expected.
class FrameStreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = MakeTestDirectory();
        WriteShowContent(s_dir);
        g_displaySettings = DISPLAY_16_9;
        ScopedWorkingDirectory inside(s_dir);
        ClearShownMessages();
        g_randomState = 1;
        s_initResult = CompareStreams([] { InitShow(); }, [] { ExpectInitShow(s_model, DISPLAY_16_9); });
    }
    static void TearDownTestSuite()
    {
        RemoveTestDirectory(s_dir);
        g_displaySettings = DISPLAY_16_9;
    }
    static std::string s_dir;
    static ShowModel s_model;
    static ::testing::AssertionResult s_initResult;
};

std::string FrameStreamTest::s_dir;
ShowModel FrameStreamTest::s_model;
::testing::AssertionResult FrameStreamTest::s_initResult = ::testing::AssertionFailure();

TEST_F(FrameStreamTest, InitShowLoadsEachSlotsFileAndDrawsTheRings)
{
    EXPECT_TRUE(s_initResult);
    EXPECT_EQ(CountShownMessages(), 0);
    for (int slot = 0; slot < 11; ++slot)
        EXPECT_EQ(g_captionTextures[slot], s_model.captionTextures[slot]);
    EXPECT_EQ(g_creditsTexture, s_model.creditsTexture);
}

TEST_F(FrameStreamTest, RenderFrameRunsEachPassInItsWindow)
{
    struct FrameCase {
        float t;
        DisplaySettings display;
    };
    const DisplaySettings wide = DISPLAY_16_9, boxed = DISPLAY_4_3;
    const FrameCase frames[] = {
        { 0.3f, wide }, { 0.3f, boxed }, { Below(2.0f), wide }, { 2.0f, wide }, { 5.1f, wide },
        { Above(5.1f), boxed }, { Below(13.8f), wide }, { 13.8f, wide }, { Below(24.0f), wide },
        { 24.0f, wide }, { 24.0f, boxed }, { Above(24.0f), wide }, { Below(62.0f), wide }, { 62.0f, wide },
        { 62.5f, wide }, { Above(62.5f), boxed }, { 63.0f, wide }, { Above(63.0f), wide }, { 92.5f, wide },
        { 92.5f, boxed }, { Above(92.5f), wide }, { 112.3f, wide }, { 160.0f, wide }, { Above(160.0f), wide },
        { Below(162.8f), wide }, { 162.8f, wide }, { 170.0f, boxed }, { 180.0f, wide }, { Above(180.0f), wide },
    };
    const std::vector<float> music = { 1.5f, 0.4f, 2.0f, 0.9f };
    for (const FrameCase& frame : frames) {
        g_displaySettings = frame.display;
        g_demoTime = frame.t;
        g_randomState = s_model.randomState = 777u;
        SetSpectrumLevels(music);
        s_model.levels = music;
        s_model.requests = 0;
        g_lastSquareIndex = -1;
        s_model.squares.clear();
        EXPECT_TRUE(CompareStreams(RenderFrame, [&] { ExpectRenderFrame(s_model, frame.t, frame.display); }))
            << "t " << frame.t << (frame.display.windowWidth == 1024 ? " in 4:3" : " in 16:9");
    }
}

}  // namespace
