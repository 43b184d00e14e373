// Star tunnel (62.0 .. 92.5 s): a flickering cloud of orange sparks turning
// and receding, and fifty rings in random colours sliding away from the
// viewer, every other ring spinning the opposite way.
#include "scenes/star_tunnel.h"
#include "scenes/scenes.h"
#include "scenes/show_random.h"

#include "content/show_content.h"
#include "platform/gl_api.h"

int g_ringAngles[TUNNEL_RING_COUNT];
int g_ringReds[TUNNEL_RING_COUNT];
int g_ringGreens[TUNNEL_RING_COUNT];
int g_ringBlues[TUNNEL_RING_COUNT];

// Which way the next ring spins; flips once per ring and is never reset.
// With an even ring count it is false at the start of every frame.
static bool s_spinToggle = false;

// Spark batches per frame, and points per batch.
enum { SPARK_BATCHES = 300, SPARK_POINTS = 3 };

void InitStarTunnel()
{
    for (int i = 0; i < TUNNEL_RING_COUNT; ++i) {
        g_ringAngles[i] = ShowRand() % 90;
        // Modulo 255, so a channel never reaches full strength.
        g_ringReds[i] = ShowRand() % 255;
        g_ringGreens[i] = ShowRand() % 255;
        g_ringBlues[i] = ShowRand() % 255;
    }
    LoadObjMesh("data/startunnel.obj", &g_tunnelRing);
}

// Draws one batch of three sparks in the cloud's frame: one size draw, then
// three draws per point (depth, height, sideways, in that order).
static void DrawTunnelSparkBatch()
{
    // A size of 0 is rejected by GL, which keeps the previous size.
    glPointSize(static_cast<float>(ShowRand() % 10));
    glBegin(GL_POINTS);
    for (int k = 0; k < SPARK_POINTS; ++k) {
        const int r1 = ShowRand();
        const int r2 = ShowRand();
        const int r3 = ShowRand();
        const double x = static_cast<float>(r3 % 1000) / 1000.0 * 0.5 - 0.25;
        const double y = static_cast<float>(r2 % 1000) / 1000.0 * 0.5 - 0.25;
        const double z = static_cast<float>(r1 % 1000) / 1000.0;
        glVertex3f(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    }
    glEnd();
}

void SceneStarTunnel(float, float progress)
{
    const double p = progress;
    glDisable(GL_TEXTURE_2D);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, static_cast<float>(-1.0 - 15.0 * p));
    glRotatef(static_cast<float>(1000.0 * p), 0.0f, 0.0f, 1.0f);
    glColor3f(0.8f, 0.6f, 0.1f);
    for (int b = 0; b < SPARK_BATCHES; ++b)
        DrawTunnelSparkBatch();

    for (int i = 0; i < TUNNEL_RING_COUNT; ++i) {
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, static_cast<float>(static_cast<float>(i) - p * 50.0));
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
        glRotatef(static_cast<float>(g_ringAngles[i]), 0.0f, 1.0f, 0.0f);
        double spin;
        if (!s_spinToggle) {
            spin = p * 500.0;
            s_spinToggle = true;
        } else {
            spin = -p * 500.0;
            s_spinToggle = false;
        }
        glRotatef(static_cast<float>(spin), 0.0f, 1.0f, 0.0f);
        glColor3ub(static_cast<GLubyte>(g_ringReds[i]), static_cast<GLubyte>(g_ringGreens[i]),
            static_cast<GLubyte>(g_ringBlues[i]));
        DrawMeshFilled(&g_tunnelRing);
    }
}
