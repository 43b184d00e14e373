// The GL layer's matrix stacks (see gl_webgl2.h): modelview and projection,
// with GL's operations on the current one. Products are formed in single
// precision, as GL keeps its matrices.
//
// Implements from GL 1.x: glMatrixMode, glLoadIdentity, glPushMatrix,
// glPopMatrix, glMultMatrixf, glTranslatef, glRotatef, glScalef, glOrtho.
#include "platform/gl_webgl2/gl_layer.h"

#include <cmath>

GlMatrix* GetCurrentMatrix()
{
    if (g_gl.matrixMode == GL_PROJECTION)
        return &g_gl.projection[g_gl.projectionTop];
    return &g_gl.modelview[g_gl.modelviewTop];
}

void MultiplyMatrices(const GlMatrix& a, const GlMatrix& b, GlMatrix* out)
{
    GlMatrix r;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[column * 4 + k];
            r.m[column * 4 + row] = sum;
        }
    }
    *out = r;
}

void MultiplyCurrentMatrix(const GlMatrix& m)
{
    GlMatrix* current = GetCurrentMatrix();
    MultiplyMatrices(*current, m, current);
}

// The identity matrix.
static GlMatrix MakeIdentity()
{
    GlMatrix m = {};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

// Multiplies the current matrix by a scale along the axes followed by a shift.
static void MultiplyByScaleAndShift(float sx, float sy, float sz, float tx, float ty, float tz)
{
    GlMatrix m = MakeIdentity();
    m.m[0] = sx;
    m.m[5] = sy;
    m.m[10] = sz;
    m.m[12] = tx;
    m.m[13] = ty;
    m.m[14] = tz;
    MultiplyCurrentMatrix(m);
}

extern "C" {

void glMatrixMode(GLenum mode) { g_gl.matrixMode = mode; }

void glLoadIdentity() { *GetCurrentMatrix() = MakeIdentity(); }

// A push beyond the stack's depth or a pop of its last entry is an error
// in GL and changes nothing.
void glPushMatrix()
{
    if (g_gl.matrixMode == GL_PROJECTION) {
        if (g_gl.projectionTop + 1 < PROJECTION_STACK_DEPTH) {
            g_gl.projection[g_gl.projectionTop + 1] = g_gl.projection[g_gl.projectionTop];
            ++g_gl.projectionTop;
        }
    } else if (g_gl.modelviewTop + 1 < MODELVIEW_STACK_DEPTH) {
        g_gl.modelview[g_gl.modelviewTop + 1] = g_gl.modelview[g_gl.modelviewTop];
        ++g_gl.modelviewTop;
    }
}

void glPopMatrix()
{
    if (g_gl.matrixMode == GL_PROJECTION) {
        if (g_gl.projectionTop > 0)
            --g_gl.projectionTop;
    } else if (g_gl.modelviewTop > 0) {
        --g_gl.modelviewTop;
    }
}

void glMultMatrixf(const GLfloat* m)
{
    GlMatrix matrix;
    for (int i = 0; i < 16; ++i)
        matrix.m[i] = m[i];
    MultiplyCurrentMatrix(matrix);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { MultiplyByScaleAndShift(1.0f, 1.0f, 1.0f, x, y, z); }

void glScalef(GLfloat x, GLfloat y, GLfloat z) { MultiplyByScaleAndShift(x, y, z, 0.0f, 0.0f, 0.0f); }

// A rotation by angle degrees about the axis (x, y, z), which need not be
// of unit length; a zero axis leaves the matrix as it is.
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    const double length = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y
        + static_cast<double>(z) * z);
    if (length == 0.0)
        return;
    const double radians = angle * 3.14159265358979323846 / 180.0;
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    const float ax = static_cast<float>(x / length);
    const float ay = static_cast<float>(y / length);
    const float az = static_cast<float>(z / length);
    const float t = 1.0f - c;
    GlMatrix m = MakeIdentity();
    m.m[0] = ax * ax * t + c;
    m.m[1] = ay * ax * t + az * s;
    m.m[2] = ax * az * t - ay * s;
    m.m[4] = ax * ay * t - az * s;
    m.m[5] = ay * ay * t + c;
    m.m[6] = ay * az * t + ax * s;
    m.m[8] = ax * az * t + ay * s;
    m.m[9] = ay * az * t - ax * s;
    m.m[10] = az * az * t + c;
    MultiplyCurrentMatrix(m);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar)
{
    GlMatrix m = MakeIdentity();
    m.m[0] = static_cast<float>(2.0 / (right - left));
    m.m[5] = static_cast<float>(2.0 / (top - bottom));
    m.m[10] = static_cast<float>(-2.0 / (zFar - zNear));
    m.m[12] = static_cast<float>(-(right + left) / (right - left));
    m.m[13] = static_cast<float>(-(top + bottom) / (top - bottom));
    m.m[14] = static_cast<float>(-(zFar + zNear) / (zFar - zNear));
    MultiplyCurrentMatrix(m);
}

}  // extern "C"
