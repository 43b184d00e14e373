// The GL layer's textures (see gl_webgl2.h): names, binding, parameters and
// uploads, passed on to WebGL 2 at once. GL 1.x's unsized formats map onto
// WebGL's: 1 to 4 channels as luminance, luminance + alpha, RGB and RGBA,
// which WebGL samples as GL 1.x's modulate expects. GL_CLAMP, which WebGL
// lacks, clamps to the edge.
//
// Implements from GL 1.x: glGenTextures, glBindTexture, glTexParameteri,
// glTexImage2D.
#include "platform/gl_webgl2/gl_layer.h"

extern "C" {

void glGenTextures(GLsizei count, GLuint* textures)
{
    for (GLsizei i = 0; i < count; ++i)
        textures[i] = HalvaneWebGlCreateTexture();
}

void glBindTexture(GLenum target, GLuint texture)
{
    if (target == GL_TEXTURE_2D)
        g_gl.boundTexture = texture;
}

void glTexParameteri(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_2D || g_gl.boundTexture == 0)
        return;
    if (value == GL_CLAMP)
        value = 0x812F;  // GL_CLAMP_TO_EDGE
    HalvaneWebGlTexParameter(g_gl.boundTexture, static_cast<int>(name), value);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
    GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    // The show uploads level 0 of 8-bit pictures only.
    (void)internalFormat;
    if (target != GL_TEXTURE_2D || level != 0 || border != 0 || type != GL_UNSIGNED_BYTE
        || g_gl.boundTexture == 0)
        return;
    HalvaneWebGlTexImage(g_gl.boundTexture, width, height, static_cast<int>(format), pixels,
        g_gl.unpackAlignment);
}

}  // extern "C"
