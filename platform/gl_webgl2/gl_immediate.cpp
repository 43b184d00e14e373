// The GL layer's immediate mode (see gl_webgl2.h): the vertices of one
// glBegin/glEnd are kept with their colour and texture coordinate, then at
// glEnd transformed to clip space and appended to the frame's stream as
// triangles or points:
// - triangles, strips, fans, quads, quad strips and polygons become
//   triangles (a quad's two share its 0-2 diagonal);
// - in the GL_LINE polygon mode each polygon draws its own edges (a
//   triangle's three, a quad's four, never a diagonal), in GL_POINT mode
//   its corners;
// - every line is a quad of the line width in window pixels around the
//   segment, widened across its major axis as GL widens aliased lines, cut
//   at the near plane; WebGL's own lines are one pixel wide at most;
// - points stay points, each with the point size current at its glEnd,
//   placed on the pixel grid as GL places aliased points (the shader).
// Flat shading gives every vertex of a primitive GL's provoking vertex's
// colour (the last of a triangle, quad or strip step, the first of a polygon).
//
// Implements from GL 1.x: glBegin, glEnd, glVertex2f, glVertex2i, glVertex3f.
#include "platform/gl_webgl2/gl_layer.h"

#include <cmath>
#include <vector>

// One vertex as glVertex gave it, with the colour and texcoord of the moment.
struct ImmediateVertex {
    float x, y, z;
    float colour[4];
    float u, v;
};

// The vertices of the open glBegin, transformed at glEnd; capacity is kept.
static std::vector<ImmediateVertex> s_pending;
static std::vector<StreamVertex> s_clip;
static GLenum s_primitive = 0;
static bool s_inside = false;

// Room for the largest mesh's corners, reserved on the first glBegin.
enum { RESERVED_PENDING = 1 << 16 };

// Gives out the colour of transformed vertex c (the provoking vertex).
static void CopyColour(StreamVertex* out, int c)
{
    out->r = s_clip[c].r;
    out->g = s_clip[c].g;
    out->b = s_clip[c].b;
    out->a = s_clip[c].a;
}

// Appends the triangle (a, b, c) of transformed vertices; p is its
// provoking vertex.
static void EmitTriangle(int a, int b, int c, int p)
{
    StreamVertex* out = AppendStreamVertices(DRAW_TRIANGLES, 3);
    const int corners[3] = { a, b, c };
    for (int i = 0; i < 3; ++i) {
        out[i] = s_clip[corners[i]];
        if (g_gl.flatShading)
            CopyColour(&out[i], p);
    }
}

// Cuts the segment a-b of clip positions at the near plane (z = -w);
// false when it lies wholly in front of it.
static bool CutAtNearPlane(StreamVertex* a, StreamVertex* b)
{
    const float da = a->z + a->w;
    const float db = b->z + b->w;
    if (da < 0.0f && db < 0.0f)
        return false;
    if (da >= 0.0f && db >= 0.0f)
        return true;
    // Moves the outside end to where the segment meets the plane; every
    // attribute from x to v is interpolated alike.
    StreamVertex* outside = da < 0.0f ? a : b;
    const StreamVertex inside = da < 0.0f ? *b : *a;
    const float dOut = da < 0.0f ? da : db;
    const float dIn = da < 0.0f ? db : da;
    const float s = dOut / (dOut - dIn);
    float* o = &outside->x;
    const float* in = &inside.x;
    for (int k = 0; k < 10; ++k)
        o[k] += (in[k] - o[k]) * s;
    return true;
}

// Appends the segment a-b as a quad of the line width in window pixels;
// p is its provoking vertex.
static void EmitLine(int a, int b, int p)
{
    StreamVertex ends[2] = { s_clip[a], s_clip[b] };
    if (g_gl.flatShading) {
        CopyColour(&ends[0], p);
        CopyColour(&ends[1], p);
    }
    if (!CutAtNearPlane(&ends[0], &ends[1]))
        return;
    const float halfWidthX = static_cast<float>(g_gl.viewport[2]) * 0.5f;
    const float halfWidthY = static_cast<float>(g_gl.viewport[3]) * 0.5f;
    // The direction in window pixels.
    const float dx = (ends[1].x / ends[1].w - ends[0].x / ends[0].w) * halfWidthX;
    const float dy = (ends[1].y / ends[1].w - ends[0].y / ends[0].w) * halfWidthY;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f))
        return;
    // GL's aliased wide line: the segment widened by the line width along
    // the window's y axis when it runs more across than up (x-major), along
    // x otherwise; in normalised device units.
    const float half = g_gl.lineWidth * 0.5f;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float nx = xMajor ? 0.0f : half / halfWidthX;
    const float ny = xMajor ? half / halfWidthY : 0.0f;
    StreamVertex* out = AppendStreamVertices(DRAW_TRIANGLES, 6);
    StreamVertex corners[4] = { ends[0], ends[0], ends[1], ends[1] };
    const float sides[4] = { 1.0f, -1.0f, -1.0f, 1.0f };
    for (int i = 0; i < 4; ++i) {
        corners[i].x += sides[i] * nx * corners[i].w;
        corners[i].y += sides[i] * ny * corners[i].w;
    }
    out[0] = corners[0];
    out[1] = corners[1];
    out[2] = corners[2];
    out[3] = corners[0];
    out[4] = corners[2];
    out[5] = corners[3];
}

// Appends vertex i as a point of the current size.
static void EmitPoint(int i)
{
    StreamVertex* out = AppendStreamVertices(DRAW_POINTS, 1);
    *out = s_clip[i];
}

// Appends one polygon of the corners given (3 or 4, or any for
// GL_POLYGON) in the current polygon mode; p is its provoking vertex.
static void EmitPolygon(const int* corners, int count, int p)
{
    if (g_gl.polygonMode == GL_LINE) {
        for (int i = 0; i < count; ++i)
            EmitLine(corners[i], corners[(i + 1) % count], p);
    } else if (g_gl.polygonMode == GL_POINT) {
        for (int i = 0; i < count; ++i)
            EmitPoint(corners[i]);
    } else {
        for (int i = 2; i < count; ++i)
            EmitTriangle(corners[0], corners[i - 1], corners[i], p);
    }
}

// Transforms the pending vertices into s_clip.
static void TransformPending()
{
    GlMatrix mvp;
    MultiplyMatrices(g_gl.projection[g_gl.projectionTop], g_gl.modelview[g_gl.modelviewTop], &mvp);
    const float* m = mvp.m;
    s_clip.resize(s_pending.size());
    for (size_t i = 0; i < s_pending.size(); ++i) {
        const ImmediateVertex& v = s_pending[i];
        StreamVertex& c = s_clip[i];
        c.x = m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12];
        c.y = m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13];
        c.z = m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14];
        c.w = m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15];
        c.r = v.colour[0];
        c.g = v.colour[1];
        c.b = v.colour[2];
        c.a = v.colour[3];
        c.u = v.u;
        c.v = v.v;
        c.pointSize = g_gl.pointSize;
    }
}

// Splits the pending primitive into the stream's triangles, lines and points.
static void EmitPending()
{
    const int n = static_cast<int>(s_pending.size());
    switch (s_primitive) {
    case GL_POINTS:
        for (int i = 0; i < n; ++i)
            EmitPoint(i);
        break;
    case GL_LINES:
        for (int i = 1; i < n; i += 2)
            EmitLine(i - 1, i, i);
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (int i = 1; i < n; ++i)
            EmitLine(i - 1, i, i);
        if (s_primitive == GL_LINE_LOOP && n > 2)
            EmitLine(n - 1, 0, 0);
        break;
    case GL_TRIANGLES:
        for (int i = 2; i < n; i += 3) {
            const int corners[3] = { i - 2, i - 1, i };
            EmitPolygon(corners, 3, i);
        }
        break;
    case GL_TRIANGLE_STRIP:
        for (int i = 2; i < n; ++i) {
            // Every other triangle is turned so all keep one winding.
            const int corners[3] = { i % 2 ? i - 1 : i - 2, i % 2 ? i - 2 : i - 1, i };
            EmitPolygon(corners, 3, i);
        }
        break;
    case GL_TRIANGLE_FAN:
        for (int i = 2; i < n; ++i) {
            const int corners[3] = { 0, i - 1, i };
            EmitPolygon(corners, 3, i);
        }
        break;
    case GL_QUADS:
        for (int i = 3; i < n; i += 4) {
            const int corners[4] = { i - 3, i - 2, i - 1, i };
            EmitPolygon(corners, 4, i);
        }
        break;
    case GL_QUAD_STRIP:
        for (int i = 3; i < n; i += 2) {
            const int corners[4] = { i - 3, i - 2, i, i - 1 };
            EmitPolygon(corners, 4, i);
        }
        break;
    case GL_POLYGON:
        if (n >= 3) {
            static std::vector<int> corners;
            corners.resize(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                corners[static_cast<size_t>(i)] = i;
            EmitPolygon(corners.data(), n, 0);
        }
        break;
    default:
        break;
    }
}

extern "C" {

void glBegin(GLenum mode)
{
    if (s_pending.capacity() == 0) {
        s_pending.reserve(RESERVED_PENDING);
        s_clip.reserve(RESERVED_PENDING);
    }
    s_pending.clear();
    s_primitive = mode;
    s_inside = true;
}

void glEnd()
{
    if (!s_inside)
        return;
    s_inside = false;
    if (!g_gl.drawing || s_pending.empty())
        return;
    TransformPending();
    EmitPending();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!s_inside || !g_gl.drawing)
        return;
    ImmediateVertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    for (int i = 0; i < 4; ++i)
        v.colour[i] = g_gl.colour[i];
    v.u = g_gl.texcoord[0];
    v.v = g_gl.texcoord[1];
    s_pending.push_back(v);
}

void glVertex2f(GLfloat x, GLfloat y) { glVertex3f(x, y, 0.0f); }

void glVertex2i(GLint x, GLint y) { glVertex3f(static_cast<float>(x), static_cast<float>(y), 0.0f); }

}  // extern "C"
