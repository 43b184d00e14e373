// Split sphere (24.0 .. 63.0 s): two sphere halves spin 2 units in front of
// the viewer and are pushed apart by the music, around a column of sparks
// whose height follows the music; in the last half second the halves jump
// apart and the column moves behind the viewer.
#include "scenes/scenes.h"
#include "scenes/show_random.h"

#include "audio/music.h"
#include "content/show_content.h"
#include "platform/gl_api.h"

// Demo time after which the sphere splits.
static const float SPLIT_TIME = 62.5f;
// Spark batches per frame, and points per batch.
enum { SPARK_BATCHES = 300, SPARK_POINTS = 3 };
// Base height of the spark column, added to the level (held as a float).
static const float SPARK_BASE_HEIGHT = 0.55f;
// The largest level the spark column follows. A level is a sum of 512
// spectrum magnitudes; anything above this is not music but a fault, and
// would overflow the column's integer height.
static const double SPARK_LEVEL_LIMIT = 1000.0;

// The level the spark column uses: a level that is not a number or is below
// zero counts as silence, one above the limit as the limit. Normal levels
// pass unchanged, so the column's height stays at least 550 steps.
static double ClampSparkLevel(float level)
{
    if (!(level >= 0.0f))
        return 0.0;
    if (level > SPARK_LEVEL_LIMIT)
        return SPARK_LEVEL_LIMIT;
    return level;
}

// Draws one batch of three sparks in the spark frame: column height from
// level e, one size draw then three draws per point.
static void DrawSparkBatch()
{
    glPointSize(static_cast<float>(ShowRand() % 10));
    const double e = ClampSparkLevel(SampleSpectrum());
    const double height = e + static_cast<double>(SPARK_BASE_HEIGHT);
    int m = static_cast<int>(height * 1000.0);
    if (m < 1)
        m = 1;
    glBegin(GL_POINTS);
    for (int k = 0; k < SPARK_POINTS; ++k) {
        const int r1 = ShowRand() % m;
        const int r2 = ShowRand() % 1000;
        const int r3 = ShowRand() % 1000;
        const double x = r3 / 1000.0 * 0.5 - 0.25;
        const double y = (r1 - height * 500.0) / 1000.0;
        const double z = r2 / 1000.0 * 0.5 - 0.25;
        glVertex3f(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    }
    glEnd();
}

void SceneSplitSphere(float t, float progress)
{
    float split = 0.0f;
    if (t > SPLIT_TIME)
        split = progress;
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.3f, 0.6f, 0.7f);
    glLoadIdentity();

    const float lift = static_cast<float>(static_cast<double>(SampleSpectrum()) / 3.0);
    const float angle = static_cast<float>(static_cast<double>(progress) * 1000.0);

    glTranslatef(0.0f, lift + split, -2.0f);
    glRotatef(angle, 0.1f, 1.0f, 0.0f);
    DrawMeshFilled(&g_upperSphereHalf);

    glLoadIdentity();
    glTranslatef(0.0f, -(lift + split), -2.0f);
    glRotatef(angle, 0.1f, 1.0f, 0.0f);
    DrawMeshFilled(&g_lowerSphereHalf);

    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, static_cast<float>(4.0 * split - 2.0));
    glRotatef(angle, 0.1f, 1.0f, 0.0f);
    // Blending is off during the scenes, so the alpha does not fade them.
    glColor4f(0.8f, 0.6f, 0.1f, 1.0f - split);
    for (int b = 0; b < SPARK_BATCHES; ++b)
        DrawSparkBatch();
}
