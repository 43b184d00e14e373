// The project's stand-in for DevIL's GL layer (ILUT): renderer selection and
// the upload of the bound image as a GL texture. See devil_standin.cpp.
#pragma once

#include <IL/il.h>

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>

#ifdef __cplusplus
extern "C" {
#endif

// The one renderer there is.
#define ILUT_OPENGL 0

// Selects the renderer; IL_TRUE for ILUT_OPENGL, IL_FALSE for any other.
ILboolean ilutRenderer(ILenum renderer);

// Creates a GL texture from the bound image, uploads its pixels (bottom row
// first, so texture coordinate t = 0 is the picture's bottom) and leaves it
// bound to GL_TEXTURE_2D with linear filtering. Returns its name, or 0 when
// the bound image holds no decoded picture.
GLuint ilutGLBindTexImage(void);

#ifdef __cplusplus
}
#endif
