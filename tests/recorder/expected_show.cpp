// The expectation builder (see expected_show.h). Each function follows the
// show's design step by step; arguments are formed in the show's precision
// (times, thresholds and colours in floats, products of the progress in
// double, passed to GL as floats).
#include "expected_show.h"

#include "call_recorder.h"
#include "content/show_content.h"
#include "platform/gl_api.h"
#include "timeline/caption_schedule.h"

#include <IL/il.h>
#include <IL/ilut.h>

#include <cmath>

float ComputeProgress(float start, float end, float t)
{
    if (t <= start)
        return 0.0f;
    if (t >= end)
        return 1.0f;
    return (t - start) / (end - start);
}

int DrawModelRand(ShowModel& model)
{
    model.randomState = model.randomState * 214013u + 2531011u;
    const int value = static_cast<int>((model.randomState >> 16) & 0x7FFF);
    RecordRand(value);
    return value;
}

float RequestModelLevel(ShowModel& model)
{
    const float level = model.levels.empty() ? 0.0f : model.levels[model.requests % model.levels.size()];
    ++model.requests;
    RecordSpectrum(level);
    return level;
}

void ExpectMeshFilled(const Mesh& mesh)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBegin(GL_TRIANGLES);
    for (int c = 0; c < mesh.indexCount; ++c) {
        const MeshTexcoord& vt = mesh.texcoords[mesh.texcoordIndices[c]];
        const MeshPosition& v = mesh.positions[mesh.positionIndices[c]];
        glTexCoord2f(vt.u, vt.v);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}

void ExpectMeshWire(const Mesh& mesh)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBegin(GL_TRIANGLES);
    for (int c = 0; c < mesh.indexCount; ++c) {
        const MeshPosition& v = mesh.positions[mesh.positionIndices[c]];
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void ExpectInitStarTunnel(ShowModel& model)
{
    for (int i = 0; i < 50; ++i) {
        model.ringAngles[i] = DrawModelRand(model) % 90;
        model.ringReds[i] = DrawModelRand(model) % 255;
        model.ringGreens[i] = DrawModelRand(model) % 255;
        model.ringBlues[i] = DrawModelRand(model) % 255;
    }
}

// A cube of half-edge s: six faces of four corners, each face's corners in
// the show's fixed order (top, bottom, front, back, left, right).
static void ExpectPulseCube(float s)
{
    static const signed char CORNERS[24][3] = {
        { 1, 1, -1 }, { -1, 1, -1 }, { -1, 1, 1 }, { 1, 1, 1 },      // top
        { 1, -1, 1 }, { -1, -1, 1 }, { -1, -1, -1 }, { 1, -1, -1 },  // bottom
        { 1, 1, 1 }, { -1, 1, 1 }, { -1, -1, 1 }, { 1, -1, 1 },      // front
        { 1, -1, -1 }, { -1, -1, -1 }, { -1, 1, -1 }, { 1, 1, -1 },  // back
        { -1, 1, 1 }, { -1, 1, -1 }, { -1, -1, -1 }, { -1, -1, 1 },  // left
        { 1, 1, -1 }, { 1, 1, 1 }, { 1, -1, 1 }, { 1, -1, -1 },      // right
    };
    glBegin(GL_QUADS);
    for (const auto& c : CORNERS)
        glVertex3f(c[0] * s, c[1] * s, c[2] * s);
    glEnd();
}

void ExpectPulseSquares(ShowModel& model, float t, float p)
{
    glDisable(GL_TEXTURE_2D);
    const float level = RequestModelLevel(model);
    // At most 500 squares: a full table adds none and draws nothing.
    if (level > 1.2f && model.squares.size() < 500) {
        const float x = static_cast<float>(DrawModelRand(model) % 20 - 10);
        const float y = static_cast<float>(DrawModelRand(model) % 20 - 10);
        model.squares.push_back({ x, y });
    }
    const double a1 = p * 10.0, a2 = p * 500.0;
    const bool finale = t >= 23.0f;
    for (const auto& square : model.squares) {
        glLoadIdentity();
        glTranslatef(square.first, square.second, finale ? -30.0 - 2.0 * p : -30.0);
        glRotatef(a1, 1, 0, 0);
        glRotatef(a2, 0.1f, 1, 0);
        glColor3f(0.8f, 0.6f, 0.4f);
        const double own = RequestModelLevel(model);
        ExpectPulseCube(finale ? (1.0 - p) * 20.0 + own * 0.5 : own / 10.0 + 1.0);
    }
}

void ExpectSplitSphere(ShowModel& model, float t, float p)
{
    const float split = t > 62.5f ? p : 0.0f;
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.3f, 0.6f, 0.7f);
    glLoadIdentity();
    const float lift = static_cast<float>(RequestModelLevel(model) / 3.0);
    const float a = static_cast<float>(p * 1000.0);
    glTranslatef(0, lift + split, -2.0f);
    glRotatef(a, 0.1f, 1, 0);
    ExpectMeshFilled(g_upperSphereHalf);
    glLoadIdentity();
    glTranslatef(0, -(lift + split), -2.0f);
    glRotatef(a, 0.1f, 1, 0);
    ExpectMeshFilled(g_lowerSphereHalf);
    glLoadIdentity();
    glTranslatef(0, 0, 4.0 * split - 2.0);
    glRotatef(a, 0.1f, 1, 0);
    glColor4f(0.8f, 0.6f, 0.1f, 1.0f - split);
    for (int batch = 0; batch < 300; ++batch) {
        glPointSize(static_cast<float>(DrawModelRand(model) % 10));
        double e = RequestModelLevel(model);
        // A level that is not a number or below zero is silence; the column
        // follows levels up to 1000 (its height must fit an int).
        e = !(e >= 0.0) ? 0.0 : std::fmin(e, 1000.0);
        const double height = e + static_cast<double>(0.55f);
        const int m = static_cast<int>(height * 1000.0);
        glBegin(GL_POINTS);
        for (int k = 0; k < 3; ++k) {
            const int r1 = DrawModelRand(model) % m;
            const int r2 = DrawModelRand(model) % 1000;
            const int r3 = DrawModelRand(model) % 1000;
            glVertex3f(r3 / 1000.0 * 0.5 - 0.25, (r1 - height * 500.0) / 1000.0, r2 / 1000.0 * 0.5 - 0.25);
        }
        glEnd();
    }
}

void ExpectStarTunnel(ShowModel& model, float p)
{
    glDisable(GL_TEXTURE_2D);
    glLoadIdentity();
    glTranslatef(0, 0, -1.0 - 15.0 * p);
    glRotatef(1000.0 * p, 0, 0, 1);
    glColor3f(0.8f, 0.6f, 0.1f);
    for (int batch = 0; batch < 300; ++batch) {
        glPointSize(static_cast<float>(DrawModelRand(model) % 10));
        glBegin(GL_POINTS);
        for (int k = 0; k < 3; ++k) {
            const int r1 = DrawModelRand(model), r2 = DrawModelRand(model), r3 = DrawModelRand(model);
            const double x = static_cast<float>(r3 % 1000) / 1000.0 * 0.5 - 0.25;
            const double y = static_cast<float>(r2 % 1000) / 1000.0 * 0.5 - 0.25;
            const double z = static_cast<float>(r1 % 1000) / 1000.0;
            glVertex3f(x, y, z);
        }
        glEnd();
    }
    for (int i = 0; i < 50; ++i) {
        glLoadIdentity();
        glTranslatef(0, 0, static_cast<float>(i) - p * 50.0);
        glRotatef(90, 1, 0, 0);
        glRotatef(model.ringAngles[i], 0, 1, 0);
        // Even rings turn forwards, odd rings backwards, in every frame.
        glRotatef(i % 2 == 0 ? 500.0 * p : -p * 500.0, 0, 1, 0);
        glColor3ub(model.ringReds[i], model.ringGreens[i], model.ringBlues[i]);
        ExpectMeshFilled(g_tunnelRing);
    }
}

void ExpectKnots(float p)
{
    struct Knot {
        float angle, ax, ay, az, sx, sy, sz;
    };
    glLineWidth(2.0f);
    const float a = static_cast<float>(p * 1000.0);
    const float s = static_cast<float>(std::sin(static_cast<double>(static_cast<float>(p * 20.0))));
    const float g = s + 1.5f, h = s + 1.0f;
    const Knot knots[4] = {
        { a, 1, 0, -1, 1, 1, g },
        { static_cast<float>(p * 1000.0 - 20.0), 0, 1.4f, 0, g, 1, 1 },
        { a, 0, 1, 1, 1, h, 1 },
        { a, -1, 0, -1, h, 1, 1 },
    };
    for (int k = 0; k < 4; ++k) {
        const Knot& knot = knots[k];
        glLoadIdentity();
        glColor3f(0.2f, 0.7f, 0.6f);
        glTranslatef(0, 0, -5);
        glRotatef(knot.angle, knot.ax, knot.ay, knot.az);
        glScalef(knot.sx, knot.sy, knot.sz);
        ExpectMeshFilled(g_knots[k]);
        glScalef(1.2f, 1.2f, 1.2f);
        glColor3f(0, 0, 0);
        ExpectMeshWire(g_knots[k]);
    }
}

// Pushes both matrices and sets the W x H overlay space.
static void ExpectOverlaySpace(const DisplaySettings& d)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, d.windowWidth, 0, d.windowHeight);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

static void ExpectOverlayRestored()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void ExpectCaptions(const ShowModel& model, float t, const DisplaySettings& d)
{
    const double w = d.windowWidth, h = d.windowHeight;
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    ExpectOverlaySpace(d);
    for (const CaptionSheet& sheet : CAPTION_SHEETS) {
        if (!(sheet.opens < t && t < sheet.closes))
            continue;
        glBindTexture(GL_TEXTURE_2D, model.captionTextures[sheet.slot]);
        for (int i = 0; i < sheet.pieceCount; ++i) {
            const CaptionPiece& piece = sheet.pieces[i];
            if (!(t > piece.reveal))
                continue;
            const double sx1 = piece.x1 / 1280.0, sx2 = piece.x2 / 1280.0;
            const double ty1 = 1 - piece.y1 / 720.0, ty2 = 1 - piece.y2 / 720.0;
            glBegin(GL_QUADS);
            glTexCoord2f(sx1, ty1);
            glVertex2f(w * sx1, h * ty1);
            glTexCoord2f(sx2, ty1);
            glVertex2f(w * sx2, h * ty1);
            glTexCoord2f(sx2, ty2);
            glVertex2f(w * sx2, h * ty2);
            glTexCoord2f(sx1, ty2);
            glVertex2f(w * sx1, h * ty2);
            glEnd();
        }
    }
    ExpectOverlayRestored();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glLoadIdentity();
}

void ExpectCredits(const ShowModel& model, const DisplaySettings& d)
{
    glColor3f(1, 1, 1);
    glDisable(GL_MULTISAMPLE_ARB);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, model.creditsTexture);
    glEnable(GL_TEXTURE_2D);
    ExpectOverlaySpace(d);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(0, 0);
    glTexCoord2f(1, 0);
    glVertex2i(d.windowWidth, 0);
    glTexCoord2f(1, 1);
    glVertex2i(d.windowWidth, d.windowHeight);
    glTexCoord2f(0, 1);
    glVertex2i(0, d.windowHeight);
    glEnd();
    ExpectOverlayRestored();
}

void ExpectShowViewport(const DisplaySettings& d)
{
    glViewport(0, (d.windowHeight - d.viewportHeight) / 2, d.windowWidth, d.viewportHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(static_cast<float>(d.windowWidth)) / static_cast<float>(d.viewportHeight),
        0.5, 5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ExpectLetterboxBars(const DisplaySettings& d)
{
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1024, 0, 768, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0, 0, 0);
    const int bars[2][4][2] = {
        { { 0, 0 }, { 1024, 0 }, { 1024, 96 }, { 0, 96 } },
        { { 0, 768 }, { 1024, 768 }, { 1024, 672 }, { 0, 672 } },
    };
    for (const auto& bar : bars) {
        glBegin(GL_QUADS);
        for (const auto& corner : bar)
            glVertex2i(corner[0], corner[1]);
        glEnd();
    }
    ExpectShowViewport(d);
}

// One texture load: a DevIL image, the upload, linear filtering. A file
// that cannot be loaded gives name 0 without an upload.
static unsigned ExpectLoadTexture(const char* path)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    const bool loaded = ilLoadImage(path) == IL_TRUE;
    ilutRenderer(ILUT_OPENGL);
    const GLuint texture = loaded ? ilutGLBindTexImage() : 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

void ExpectInitShow(ShowModel& model, const DisplaySettings& d)
{
    ExpectShowViewport(d);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glClearColor(1, 1, 1, 1);
    glEnable(0x809D);
    ilInit();
    // Slots in order, each from the file of the sheet that shows it.
    for (int slot = 0; slot < 11; ++slot)
        for (const CaptionSheet& sheet : CAPTION_SHEETS)
            if (sheet.slot == slot)
                model.captionTextures[slot] = ExpectLoadTexture(sheet.file);
    ExpectInitStarTunnel(model);
    model.creditsTexture = ExpectLoadTexture("data/png/credits.png");
    // The uploads leave texturing on; the scenes expect it off.
    glDisable(GL_TEXTURE_2D);
}

void ExpectRenderFrame(ShowModel& model, float t, const DisplaySettings& d)
{
    glEnable(0x809D);
    glClearColor(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (2.0f <= t && t <= 24.0f)
        ExpectPulseSquares(model, t, ComputeProgress(2.0f, 24.0f, t));
    if (24.0f <= t && t <= 63.0f)
        ExpectSplitSphere(model, t, ComputeProgress(24.0f, 63.0f, t));
    if (62.0f <= t && t <= 92.5f)
        ExpectStarTunnel(model, ComputeProgress(62.0f, 92.5f, t));
    if (92.5f <= t && t <= 160.0f)
        ExpectKnots(ComputeProgress(92.5f, 160.0f, t));
    if (162.8f <= t && t <= 180.0f)
        ExpectCredits(model, d);
    ExpectCaptions(model, t, d);
    if (d.windowWidth == 1024)
        ExpectLetterboxBars(d);
    glDisable(0x809D);
}
