// The GL layer's private state (see gl_webgl2.h), shared by its files and
// defined in gl_state.cpp, and the calls into webgl2_device.js.
#pragma once

#include "platform/gl_api.h"

#include <cstdint>

// One 4 x 4 matrix, column-major as GL keeps it.
struct GlMatrix {
    float m[16];
};

enum { MODELVIEW_STACK_DEPTH = 32, PROJECTION_STACK_DEPTH = 8 };

// A vertex of the frame's stream: clip position, colour, texture
// coordinate and point size (11 floats; webgl2_device.js reads this layout).
struct StreamVertex {
    float x, y, z, w;
    float r, g, b, a;
    float u, v;
    float pointSize;
};

// A command of the frame: a clear, or a draw of a run of the stream under
// the state it was recorded with (webgl2_device.js reads this layout).
struct StreamCommand {
    int32_t kind;          // COMMAND_CLEAR or COMMAND_DRAW
    int32_t primitive;     // DRAW_TRIANGLES or DRAW_POINTS
    int32_t first;         // first vertex of the run
    int32_t count;         // vertices in the run
    int32_t viewport[4];   // x, y, width, height
    int32_t depthTest;     // 1 when on
    int32_t blend;         // 1 when on
    int32_t blendSource;   // GL blend factors
    int32_t blendTarget;
    int32_t texture;       // the WebGL texture's number, 0 for none
    int32_t clearMask;     // GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT
    float clearColour[4];
};

static_assert(sizeof(StreamVertex) == 44 && sizeof(StreamCommand) == 72, "the layouts webgl2_device.js reads");

enum { COMMAND_CLEAR = 1, COMMAND_DRAW = 2 };
enum { DRAW_TRIANGLES = 0, DRAW_POINTS = 1 };

// Everything GL 1.x keeps that the show uses.
struct GlLayerState {
    GlMatrix modelview[MODELVIEW_STACK_DEPTH];
    GlMatrix projection[PROJECTION_STACK_DEPTH];
    int modelviewTop;
    int projectionTop;
    GLenum matrixMode;
    float colour[4];
    float texcoord[2];
    float clearColour[4];
    int32_t viewport[4];
    bool depthTest, blend, texturing, multisample, flatShading;
    GLenum blendSource, blendTarget;
    GLenum polygonMode;     // GL_FILL, GL_LINE or GL_POINT
    float lineWidth;
    float pointSize;
    GLuint boundTexture;
    int unpackAlignment;
    bool drawing;           // false: draws are left out (SetGlDrawing)
    bool frameMultisample;  // the switch as the frame's first clear or draw found it
    bool frameStarted;
};

extern GlLayerState g_gl;

// The matrix the current mode's operations change.
GlMatrix* GetCurrentMatrix();
// out = a * b.
void MultiplyMatrices(const GlMatrix& a, const GlMatrix& b, GlMatrix* out);
// Multiplies the current matrix by m on the right (as glMultMatrix does).
void MultiplyCurrentMatrix(const GlMatrix& m);

// Records a clear of the frame.
void RecordClear(GLbitfield mask);
// Appends vertices to the stream and a draw of them under the current
// state (merged with the previous draw when its state is the same).
StreamVertex* AppendStreamVertices(int primitive, int count);

// webgl2_device.js
extern "C" {
int HalvaneWebGlCreate(int width, int height);
unsigned HalvaneWebGlCreateTexture();
void HalvaneWebGlTexImage(unsigned texture, int width, int height, int format, const void* pixels,
    int alignment);
void HalvaneWebGlTexParameter(unsigned texture, int name, int value);
void HalvaneWebGlDrawFrame(const StreamVertex* vertices, int vertexCount, const StreamCommand* commands,
    int commandCount, int multisample);
}
