// The core's one door to OpenGL 1.x and GLU. The GL headers of both hosts
// (Mesa on Linux, MinGW-w64 on Windows) are self-contained, so this header
// only adds the one extension constant the show uses.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

// Multisampling switch of ARB_multisample; the show toggles it every frame.
#ifndef GL_MULTISAMPLE_ARB
#define GL_MULTISAMPLE_ARB 0x809D
#endif
