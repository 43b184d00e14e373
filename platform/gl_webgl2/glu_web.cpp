// The GLU calls the show and the image stand-in make, over the GL layer
// (see gl_webgl2.h). The projections are formed in double precision, as
// GLU does, and multiplied onto the current matrix.
//
// Implements from GLU: gluPerspective, gluOrtho2D, gluScaleImage.
#include "platform/gl_webgl2/gl_layer.h"

#include <cmath>

extern "C" {

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double radians = fovy / 2.0 * 3.14159265358979323846 / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(radians);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0)
        return;
    const double cotangent = std::cos(radians) / sine;
    GlMatrix m = {};
    m.m[0] = static_cast<float>(cotangent / aspect);
    m.m[5] = static_cast<float>(cotangent);
    m.m[10] = static_cast<float>(-(zFar + zNear) / depth);
    m.m[11] = -1.0f;
    m.m[14] = static_cast<float>(-2.0 * zNear * zFar / depth);
    MultiplyCurrentMatrix(m);
}

void gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top)
{
    glOrtho(left, right, bottom, top, -1.0, 1.0);
}

// WebGL 2 takes textures of any size, and the layer says GL 2.1, so the
// image stand-in never scales; asked anyway, this reports GLU's error for
// an unsupported request and writes nothing.
GLint gluScaleImage(GLenum, GLsizei, GLsizei, GLenum, const void*, GLsizei, GLsizei, GLenum, GLvoid*)
{
    return GLU_INVALID_OPERATION;
}

}  // extern "C"
