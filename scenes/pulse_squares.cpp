// Pulse squares (2.0 .. 24.0 s): on every frame whose spectrum level is
// above 1.2 one more cube appears at a random point of a 20 x 20 grid, 30
// units away; all cubes turn together and pulse with the music, and in the
// last second recede a little and pulse five times more strongly.
#include "scenes/pulse_squares.h"
#include "scenes/scenes.h"
#include "scenes/show_random.h"

#include "audio/music.h"
#include "platform/gl_api.h"

int g_lastSquareIndex = -1;
float g_squareX[MAX_PULSE_SQUARES];
float g_squareY[MAX_PULSE_SQUARES];

// Spectrum level above which a frame adds a square.
static const float SPAWN_LEVEL = 1.2f;
// Demo time from which the squares recede and pulse harder.
static const float FINALE_TIME = 23.0f;

void DrawPulseCube(float s)
{
    glBegin(GL_QUADS);
    // top (y = +s)
    glVertex3f(s, s, -s);
    glVertex3f(-s, s, -s);
    glVertex3f(-s, s, s);
    glVertex3f(s, s, s);
    // bottom (y = -s)
    glVertex3f(s, -s, s);
    glVertex3f(-s, -s, s);
    glVertex3f(-s, -s, -s);
    glVertex3f(s, -s, -s);
    // front (z = +s)
    glVertex3f(s, s, s);
    glVertex3f(-s, s, s);
    glVertex3f(-s, -s, s);
    glVertex3f(s, -s, s);
    // back (z = -s)
    glVertex3f(s, -s, -s);
    glVertex3f(-s, -s, -s);
    glVertex3f(-s, s, -s);
    glVertex3f(s, s, -s);
    // left (x = -s)
    glVertex3f(-s, s, s);
    glVertex3f(-s, s, -s);
    glVertex3f(-s, -s, -s);
    glVertex3f(-s, -s, s);
    // right (x = +s)
    glVertex3f(s, s, -s);
    glVertex3f(s, s, s);
    glVertex3f(s, -s, s);
    glVertex3f(s, -s, -s);
    glEnd();
}

// Adds one square at a random grid point: two draws, x first. Once the
// tables are full no square is added and nothing is drawn from the generator.
static void AddPulseSquare()
{
    if (g_lastSquareIndex >= MAX_PULSE_SQUARES - 1)
        return;
    ++g_lastSquareIndex;
    g_squareX[g_lastSquareIndex] = static_cast<float>(ShowRand() % 20 - 10);
    g_squareY[g_lastSquareIndex] = static_cast<float>(ShowRand() % 20 - 10);
}

void ScenePulseSquares(float t, float progress)
{
    glDisable(GL_TEXTURE_2D);
    const float level = SampleSpectrum();
    if (level > SPAWN_LEVEL)
        AddPulseSquare();
    if (g_lastSquareIndex < 0)
        return;

    const double p = progress;
    const float turnX = static_cast<float>(p * 10.0);
    const float turnTilted = static_cast<float>(p * 500.0);
    for (int i = 0; i <= g_lastSquareIndex; ++i) {
        glLoadIdentity();
        if (t < FINALE_TIME)
            glTranslatef(g_squareX[i], g_squareY[i], -30.0f);
        else
            glTranslatef(g_squareX[i], g_squareY[i], static_cast<float>(-30.0 - 2.0 * p));
        glRotatef(turnX, 1.0f, 0.0f, 0.0f);
        glRotatef(turnTilted, 0.1f, 1.0f, 0.0f);
        glColor3f(0.8f, 0.6f, 0.4f);
        // A fresh spectrum request for every square.
        const double squareLevel = SampleSpectrum();
        double s;
        if (t < FINALE_TIME)
            s = squareLevel / 10.0 + 1.0;
        else
            s = (1.0 - p) * 20.0 + squareLevel * 0.5;
        DrawPulseCube(static_cast<float>(s));
    }
}
