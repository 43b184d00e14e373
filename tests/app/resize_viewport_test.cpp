// The render window's square viewport and aspect-1 projection, on a
// headless Mesa context, including a window reported with zero width.
#include "app/resize_viewport.h"

#include "platform/gl_api.h"
#include "platform/headless_gl.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ResizeViewportTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenHeadlessGl(64, 64, 0)); }
    static void TearDownTestSuite() { CloseHeadlessGl(); }

    static void ExpectViewport(int x, int y, int width, int height)
    {
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[0], x);
        EXPECT_EQ(viewport[1], y);
        EXPECT_EQ(viewport[2], width);
        EXPECT_EQ(viewport[3], height);
    }

    // The projection of gluPerspective(45, 1, 0.5, 5000).
    static void ExpectAspectOneProjection()
    {
        GLdouble projection[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
        for (double value : projection)
            EXPECT_TRUE(std::isfinite(value));
        EXPECT_NEAR(projection[0], f, 1e-5);
        EXPECT_NEAR(projection[5], f, 1e-5);
        EXPECT_NEAR(projection[10], -(5000.0 + 0.5) / (5000.0 - 0.5), 1e-5);
        EXPECT_NEAR(projection[11], -1.0, 1e-9);
    }
};

TEST_F(ResizeViewportTest, SquareViewportCentredVertically)
{
    ResizeViewport(1280, 720);
    ExpectViewport(0, -280, 1280, 1280);
    ExpectAspectOneProjection();
    ResizeViewport(1024, 768);
    ExpectViewport(0, -128, 1024, 1024);
    // The division truncates toward zero: (5 - 2) / 2 = 1, (2 - 5) / 2 = -1.
    ResizeViewport(2, 5);
    ExpectViewport(0, 1, 2, 2);
    ResizeViewport(5, 2);
    ExpectViewport(0, -1, 5, 5);
}

TEST_F(ResizeViewportTest, ZeroWidthKeepsAFiniteProjection)
{
    ResizeViewport(0, 300);
    ExpectViewport(0, 150, 0, 0);
    ExpectAspectOneProjection();
    ResizeViewport(0, 0);
    ExpectAspectOneProjection();
}

TEST_F(ResizeViewportTest, EndsInModelviewWithIdentity)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_TEXTURE);
    ResizeViewport(640, 480);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f);
}

}  // namespace
