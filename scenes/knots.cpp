// Knots (92.5 .. 160.0 s): four knot meshes at one spot 5 units away, each a
// flat teal solid in a black wire cage 1.2 times its size, each turning about
// an axis of its own and breathing in length with a sine of the progress.
#include "scenes/scenes.h"

#include "content/show_content.h"
#include "platform/gl_api.h"

#include <cmath>

// Draws one knot: the solid under the caller's turn and stretch, then its
// cage enlarged by 1.2 about the knot's own origin.
static void DrawKnot(const Mesh* knot, float angle, float ax, float ay, float az,
    float sx, float sy, float sz)
{
    glLoadIdentity();
    glColor3f(0.2f, 0.7f, 0.6f);
    glTranslatef(0.0f, 0.0f, -5.0f);
    glRotatef(angle, ax, ay, az);
    glScalef(sx, sy, sz);
    DrawMeshFilled(knot);
    glScalef(1.2f, 1.2f, 1.2f);
    glColor3f(0.0f, 0.0f, 0.0f);
    DrawMeshWire(knot);
}

void SceneKnots(float, float progress)
{
    const double p = progress;
    // Never set back: the width stays in force for everything drawn later.
    glLineWidth(2.0f);
    const float a = static_cast<float>(p * 1000.0);
    const float phase = static_cast<float>(p * 20.0);
    const float s = static_cast<float>(std::sin(static_cast<double>(phase)));
    const float g = s + 1.5f;
    const float h = s + 1.0f;
    const float knot2Angle = static_cast<float>(p * 1000.0 - 20.0);

    DrawKnot(&g_knots[0], a, 1.0f, 0.0f, -1.0f, 1.0f, 1.0f, g);
    DrawKnot(&g_knots[1], knot2Angle, 0.0f, 1.4f, 0.0f, g, 1.0f, 1.0f);
    DrawKnot(&g_knots[2], a, 0.0f, 1.0f, 1.0f, 1.0f, h, 1.0f);
    DrawKnot(&g_knots[3], a, -1.0f, 0.0f, -1.0f, h, 1.0f, 1.0f);
}
