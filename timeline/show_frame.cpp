// The timeline: the show's one-time GL set-up and content loading per GL
// context, and the composition of each frame from the show table.
#include "timeline/show_frame.h"

#include "content/show_content.h"
#include "platform/gl_api.h"
#include "scenes/scenes.h"
#include "timeline/overlays.h"
#include "timeline/show_state.h"
#include "timeline/show_table.h"

#include <IL/il.h>

// The show projection: 45-degree vertical field of view, near and far planes.
static const double SHOW_FIELD_OF_VIEW = 45.0;
static const double SHOW_NEAR_PLANE = 0.5;
static const double SHOW_FAR_PLANE = 5000.0;

// The letterbox window of the 4:3 setting and the height of each bar.
enum { LETTERBOX_WIDTH = 1024, LETTERBOX_HEIGHT = 768, LETTERBOX_BAR = 96 };

void ApplyShowViewport()
{
    const DisplaySettings& d = g_displaySettings;
    glViewport(0, (d.windowHeight - d.viewportHeight) / 2, d.windowWidth, d.viewportHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Both sizes as floats, their quotient in double: 16:9 in both settings.
    const double aspect = static_cast<double>(static_cast<float>(d.windowWidth))
        / static_cast<double>(static_cast<float>(d.viewportHeight));
    gluPerspective(SHOW_FIELD_OF_VIEW, aspect, SHOW_NEAR_PLANE, SHOW_FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool InitShow()
{
    ApplyShowViewport();
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    // Enabled whether or not the pixel format is multisampled.
    glEnable(GL_MULTISAMPLE_ARB);
    ilInit();

    // Loaders report their own failures; the show goes on with what loaded.
    LoadCaptionImages();
    LoadObjMesh("data/sphere_up.obj", &g_upperSphereHalf);
    LoadObjMesh("data/sphere_down.obj", &g_lowerSphereHalf);
    // The tunnel's random tables take the process's first random draws.
    InitStarTunnel();
    LoadObjMesh("data/knot1.obj", &g_knots[0]);
    LoadObjMesh("data/knot2.obj", &g_knots[1]);
    LoadObjMesh("data/knot3.obj", &g_knots[2]);
    LoadObjMesh("data/knot4.obj", &g_knots[3]);
    g_creditsTexture = LoadTexture("data/png/credits.png");
    // DevIL's GL layer enables texturing when it uploads. The scenes expect
    // it off, and the first frame's scenes run before any caption pass has
    // turned it off.
    glDisable(GL_TEXTURE_2D);
    return true;
}

void RenderFrame()
{
    const float t = g_demoTime;
    glEnable(GL_MULTISAMPLE_ARB);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    // Nothing is reset between two scenes: in an overlap the second starts
    // from the state and depth buffer the first left.
    if (IsInSceneWindow(PULSE_SQUARES_WINDOW, t))
        ScenePulseSquares(t, GetSceneProgress(PULSE_SQUARES_WINDOW, t));
    if (IsInSceneWindow(SPLIT_SPHERE_WINDOW, t))
        SceneSplitSphere(t, GetSceneProgress(SPLIT_SPHERE_WINDOW, t));
    if (IsInSceneWindow(STAR_TUNNEL_WINDOW, t))
        SceneStarTunnel(t, GetSceneProgress(STAR_TUNNEL_WINDOW, t));
    if (IsInSceneWindow(KNOTS_WINDOW, t))
        SceneKnots(t, GetSceneProgress(KNOTS_WINDOW, t));
    if (IsInSceneWindow(CREDITS_WINDOW, t))
        DrawCredits();

    DrawCaptions();
    if (g_displaySettings.windowWidth == LETTERBOX_WIDTH)
        DrawLetterboxBars();
    glDisable(GL_MULTISAMPLE_ARB);
}

void DrawLetterboxBars()
{
    // The whole 1024 x 768 window, in fixed numbers.
    glViewport(0, 0, LETTERBOX_WIDTH, LETTERBOX_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, LETTERBOX_WIDTH, 0, LETTERBOX_HEIGHT, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0.0f, 0.0f, 0.0f);

    glBegin(GL_QUADS);
    glVertex2i(0, 0);
    glVertex2i(LETTERBOX_WIDTH, 0);
    glVertex2i(LETTERBOX_WIDTH, LETTERBOX_BAR);
    glVertex2i(0, LETTERBOX_BAR);
    glEnd();

    glBegin(GL_QUADS);
    glVertex2i(0, LETTERBOX_HEIGHT);
    glVertex2i(LETTERBOX_WIDTH, LETTERBOX_HEIGHT);
    glVertex2i(LETTERBOX_WIDTH, LETTERBOX_HEIGHT - LETTERBOX_BAR);
    glVertex2i(0, LETTERBOX_HEIGHT - LETTERBOX_BAR);
    glEnd();

    ApplyShowViewport();
}
