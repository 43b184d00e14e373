// The browser's GL 1.x layer (platform/gl_webgl2): what it hands to WebGL 2
// for the GL 1.x calls the show makes. A recording stand-in takes the place
// of webgl2_device.js and keeps each frame's vertices and commands.
#include "platform/gl_webgl2/gl_layer.h"
#include "platform/gl_webgl2/gl_webgl2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The last frame handed over, and the textures' uploads.
struct RecordedFrame {
    std::vector<StreamVertex> vertices;
    std::vector<StreamCommand> commands;
    int multisample = -1;
};
RecordedFrame s_frame;
unsigned s_textures = 0;
int s_uploadedFormat = 0;

}  // namespace

extern "C" {
int HalvaneWebGlCreate(int, int) { return 4; }
unsigned HalvaneWebGlCreateTexture() { return ++s_textures; }
void HalvaneWebGlTexImage(unsigned, int, int, int format, const void*, int) { s_uploadedFormat = format; }
void HalvaneWebGlTexParameter(unsigned, int, int) {}
void HalvaneWebGlDrawFrame(const StreamVertex* vertices, int vertexCount, const StreamCommand* commands,
    int commandCount, int multisample)
{
    s_frame.vertices.assign(vertices, vertices + vertexCount);
    s_frame.commands.assign(commands, commands + commandCount);
    s_frame.multisample = multisample;
}
}

namespace {

const int W = 200, H = 100;

class GlLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CreateWebGlContext(W, H), 4);
        BeginGlFrame();
        // Window pixels = object units: an orthographic W x H projection.
        glMatrixMode(GL_PROJECTION);
        gluOrtho2D(0, W, 0, H);
        glMatrixMode(GL_MODELVIEW);
    }

    // The frame's draws of one primitive kind.
    std::vector<StreamCommand> Draws(int primitive)
    {
        EndGlFrame();
        std::vector<StreamCommand> draws;
        for (const StreamCommand& c : s_frame.commands) {
            if (c.kind == COMMAND_DRAW && c.primitive == primitive)
                draws.push_back(c);
        }
        return draws;
    }

    // A vertex's window position.
    static void WindowOf(const StreamVertex& v, float* x, float* y)
    {
        *x = (v.x / v.w * 0.5f + 0.5f) * W;
        *y = (v.y / v.w * 0.5f + 0.5f) * H;
    }

    // True when some streamed triangle covers the window point (x, y).
    static bool IsCovered(float x, float y)
    {
        for (size_t t = 0; t + 2 < s_frame.vertices.size(); t += 3) {
            float p[3][2];
            for (int i = 0; i < 3; ++i)
                WindowOf(s_frame.vertices[t + i], &p[i][0], &p[i][1]);
            float s[3];
            for (int i = 0; i < 3; ++i) {
                const float* a = p[i];
                const float* b = p[(i + 1) % 3];
                s[i] = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
            }
            if ((s[0] >= 0 && s[1] >= 0 && s[2] >= 0) || (s[0] <= 0 && s[1] <= 0 && s[2] <= 0))
                return true;
        }
        return false;
    }

    static void DrawSquare(GLenum primitive)
    {
        glBegin(primitive);
        glVertex2i(50, 20);
        glVertex2i(150, 20);
        glVertex2i(150, 80);
        glVertex2i(50, 80);
        glEnd();
    }
};

TEST_F(GlLayerTest, QuadsFillAsTwoTrianglesAndOutlineAsTheirOwnFourEdges)
{
    DrawSquare(GL_QUADS);
    EXPECT_EQ(s_frame.vertices.size(), 0u);  // nothing handed over before the frame's end
    ASSERT_EQ(Draws(DRAW_TRIANGLES).size(), 1u);
    EXPECT_EQ(s_frame.vertices.size(), 6u);
    EXPECT_TRUE(IsCovered(100, 50));

    BeginGlFrame();
    glLineWidth(2.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    DrawSquare(GL_QUADS);
    Draws(DRAW_TRIANGLES);
    EXPECT_EQ(s_frame.vertices.size(), 4u * 6u);   // four edges, each a quad of two triangles
    EXPECT_FALSE(IsCovered(100, 50));              // hollow: no diagonal, no fill
    EXPECT_FALSE(IsCovered(80, 40));
    EXPECT_TRUE(IsCovered(100, 20.9f));            // the edges are 2 pixels wide
    EXPECT_FALSE(IsCovered(100, 21.2f));
    EXPECT_TRUE(IsCovered(50.9f, 50));
    EXPECT_FALSE(IsCovered(51.2f, 50));
}

TEST_F(GlLayerTest, TrianglesInLineModeDrawTheirThreeEdges)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBegin(GL_TRIANGLES);
    glVertex2i(20, 20);
    glVertex2i(180, 20);
    glVertex2i(100, 90);
    glEnd();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    Draws(DRAW_TRIANGLES);
    EXPECT_EQ(s_frame.vertices.size(), 3u * 6u);
    EXPECT_FALSE(IsCovered(100, 45));
}

TEST_F(GlLayerTest, StripsFansAndPolygonsSplitIntoTriangles)
{
    const struct { GLenum primitive; int corners; size_t vertices; } CASES[] = {
        { GL_TRIANGLE_STRIP, 5, 9 }, { GL_TRIANGLE_FAN, 5, 9 }, { GL_QUAD_STRIP, 6, 12 }, { GL_POLYGON, 5, 9 },
        { GL_TRIANGLES, 7, 6 },  // a last incomplete triangle is left out
    };
    for (const auto& c : CASES) {
        BeginGlFrame();
        glBegin(c.primitive);
        for (int i = 0; i < c.corners; ++i)
            glVertex2f(100 + 40 * std::cos(i * 1.2f), 50 + 40 * std::sin(i * 1.2f));
        glEnd();
        Draws(DRAW_TRIANGLES);
        EXPECT_EQ(s_frame.vertices.size(), c.vertices) << "primitive 0x" << std::hex << c.primitive;
    }
}

// The square's first corners, coloured red, green, green, blue.
static void DrawColouredCorners(GLenum primitive, int corners)
{
    static const int XY[4][2] = { { 50, 20 }, { 150, 20 }, { 150, 80 }, { 50, 80 } };
    static const GLubyte RGB[4][3] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
    glBegin(primitive);
    for (int i = 0; i < corners; ++i) {
        glColor3ub(RGB[i][0], RGB[i][1], RGB[i][2]);
        glVertex2i(XY[i][0], XY[i][1]);
    }
    glEnd();
}

TEST_F(GlLayerTest, FlatShadingTakesTheProvokingVertexColour)
{
    glShadeModel(GL_FLAT);
    DrawColouredCorners(GL_QUADS, 4);
    Draws(DRAW_TRIANGLES);
    for (const StreamVertex& v : s_frame.vertices)
        EXPECT_EQ(v.b, 1.0f);  // the quad's fourth vertex
    glShadeModel(GL_SMOOTH);
    BeginGlFrame();
    DrawColouredCorners(GL_TRIANGLES, 3);
    Draws(DRAW_TRIANGLES);
    EXPECT_EQ(s_frame.vertices[0].r, 1.0f);
    EXPECT_EQ(s_frame.vertices[1].g, 1.0f);
}

TEST_F(GlLayerTest, PointsKeepTheirSizeAndARejectedSizeKeepsThePrevious)
{
    for (const float size : { 7.0f, 0.0f, 3.0f }) {
        glPointSize(size);
        glBegin(GL_POINTS);
        glVertex2i(10, 10);
        glEnd();
    }
    // Points of any size share one draw.
    ASSERT_EQ(Draws(DRAW_POINTS).size(), 1u);
    ASSERT_EQ(s_frame.vertices.size(), 3u);
    EXPECT_EQ(s_frame.vertices[0].pointSize, 7.0f);
    EXPECT_EQ(s_frame.vertices[1].pointSize, 7.0f);
    EXPECT_EQ(s_frame.vertices[2].pointSize, 3.0f);
}

TEST_F(GlLayerTest, StateChangesSplitDrawsAndTextureZeroDrawsUntextured)
{
    glEnable(GL_DEPTH_TEST);
    DrawSquare(GL_QUADS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    DrawSquare(GL_QUADS);
    glBindTexture(GL_TEXTURE_2D, 0);
    DrawSquare(GL_QUADS);
    const std::vector<StreamCommand> draws = Draws(DRAW_TRIANGLES);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].depthTest, 1);
    EXPECT_EQ(draws[0].blend, 0);
    EXPECT_EQ(draws[1].blend, 1);
    EXPECT_EQ(draws[1].blendSource, GL_SRC_ALPHA);
    EXPECT_EQ(draws[1].texture, static_cast<int32_t>(texture));
    EXPECT_EQ(draws[2].texture, 0);
}

TEST_F(GlLayerTest, TheFramesMultisamplingIsTheSwitchAtItsFirstClear)
{
    glDisable(GL_MULTISAMPLE_ARB);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_MULTISAMPLE_ARB);
    DrawSquare(GL_QUADS);
    EndGlFrame();
    EXPECT_EQ(s_frame.multisample, 0);
    ASSERT_EQ(s_frame.commands[0].kind, COMMAND_CLEAR);
    EXPECT_EQ(s_frame.commands[0].clearColour[0], 1.0f);
    BeginGlFrame();
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_MULTISAMPLE_ARB);
    EndGlFrame();
    EXPECT_EQ(s_frame.multisample, 1);
}

TEST_F(GlLayerTest, MatrixStacksAndTheShowsProjection)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 16.0 / 9.0, 0.5, 5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    glTranslatef(0, 0, -2);
    glRotatef(90, 0, 0, 1);
    glScalef(2, 2, 2);
    glBegin(GL_POINTS);
    glVertex3f(0.5f, 0, 0);  // turned onto +y: (0, 1, -2)
    glEnd();
    glPopMatrix();
    glBegin(GL_POINTS);
    glVertex3f(0, 0, -0.5f);  // on the near plane
    glEnd();
    Draws(DRAW_POINTS);
    ASSERT_EQ(s_frame.vertices.size(), 2u);
    const double f = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180.0);
    const StreamVertex& v = s_frame.vertices[0];
    EXPECT_NEAR(v.x / v.w, 0.0, 1e-6);
    EXPECT_NEAR(v.y / v.w, f / 2.0, 1e-5);
    EXPECT_NEAR(v.w, 2.0, 1e-6);
    const StreamVertex& n = s_frame.vertices[1];
    EXPECT_NEAR(n.z / n.w, -1.0, 1e-4);
}

TEST_F(GlLayerTest, LinesAreCutAtTheNearPlane)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 2.0, 0.5, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_LINES);
    glVertex3f(0, 0, -5);
    glVertex3f(0.1f, 0, 1);  // behind the viewer
    glEnd();
    Draws(DRAW_TRIANGLES);
    ASSERT_EQ(s_frame.vertices.size(), 6u);
    for (const StreamVertex& v : s_frame.vertices)
        EXPECT_GE(v.z + v.w, -1e-4f);
}

TEST_F(GlLayerTest, TexturesUploadInTheirOwnFormat)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const unsigned char pixels[4] = {};
    glTexImage2D(GL_TEXTURE_2D, 0, 2, 1, 1, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, pixels);
    EXPECT_EQ(s_uploadedFormat, GL_LUMINANCE_ALPHA);
    EXPECT_STREQ(reinterpret_cast<const char*>(glGetString(GL_VERSION)), "2.1 Halvane GL 1.x layer over WebGL 2");
}

}  // namespace
