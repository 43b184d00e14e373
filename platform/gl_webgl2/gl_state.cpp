// The GL layer's state and frame (see gl_webgl2.h): the switches, colours,
// viewport and blending the core sets, the frame's stream of vertices and
// commands, and the host's frame calls.
//
// Implements from GL 1.x: glEnable, glDisable, glColor3f, glColor4f,
// glColor3ub, glTexCoord2f, glClearColor, glClear, glViewport, glBlendFunc,
// glShadeModel, glPolygonMode, glLineWidth, glPointSize, glPixelStorei,
// glGetString.
#include "platform/gl_webgl2/gl_layer.h"
#include "platform/gl_webgl2/gl_webgl2.h"

#include <cstddef>
#include <cstring>
#include <vector>

GlLayerState g_gl;

// The frame's stream and commands; their capacity is kept from frame to
// frame, so after the first frames drawing allocates nothing.
static std::vector<StreamVertex> s_vertices;
static std::vector<StreamCommand> s_commands;

// Room reserved at the start: the busiest frame of the show (the knots with
// their wide-line cages) needs about this many vertices.
enum { RESERVED_VERTICES = 1 << 18, RESERVED_COMMANDS = 1024 };

// Sets the state GL starts with, the show's frame size as the viewport.
static void ResetGlState(int width, int height)
{
    g_gl = GlLayerState{};
    for (GlMatrix* m : { &g_gl.modelview[0], &g_gl.projection[0] }) {
        std::memset(m->m, 0, sizeof m->m);
        m->m[0] = m->m[5] = m->m[10] = m->m[15] = 1.0f;
    }
    g_gl.matrixMode = GL_MODELVIEW;
    g_gl.colour[0] = g_gl.colour[1] = g_gl.colour[2] = g_gl.colour[3] = 1.0f;
    g_gl.viewport[2] = width;
    g_gl.viewport[3] = height;
    g_gl.multisample = true;  // GL's initial value
    g_gl.blendSource = GL_ONE;
    g_gl.blendTarget = GL_ZERO;
    g_gl.polygonMode = GL_FILL;
    g_gl.lineWidth = 1.0f;
    g_gl.pointSize = 1.0f;
    g_gl.unpackAlignment = 4;
    g_gl.drawing = true;
}

int CreateWebGlContext(int width, int height)
{
    ResetGlState(width, height);
    s_vertices.reserve(RESERVED_VERTICES);
    s_commands.reserve(RESERVED_COMMANDS);
    return HalvaneWebGlCreate(width, height);
}

void BeginGlFrame()
{
    s_vertices.clear();
    s_commands.clear();
    g_gl.frameStarted = false;
}

void EndGlFrame()
{
    if (!g_gl.drawing)
        return;
    HalvaneWebGlDrawFrame(s_vertices.data(), static_cast<int>(s_vertices.size()), s_commands.data(),
        static_cast<int>(s_commands.size()), g_gl.frameMultisample ? 1 : 0);
}

void SetGlDrawing(bool drawing)
{
    g_gl.drawing = drawing;
}

// The frame's multisampling is what the switch says at its first clear or
// draw (the show turns it on at the start of each frame and off at its end).
static void NoteFrameStart()
{
    if (!g_gl.frameStarted) {
        g_gl.frameMultisample = g_gl.multisample;
        g_gl.frameStarted = true;
    }
}

// Fills a command's state from the current state.
static void FillCommandState(StreamCommand* c)
{
    std::memcpy(c->viewport, g_gl.viewport, sizeof c->viewport);
    c->depthTest = g_gl.depthTest;
    c->blend = g_gl.blend;
    c->blendSource = static_cast<int32_t>(g_gl.blendSource);
    c->blendTarget = static_cast<int32_t>(g_gl.blendTarget);
    // Texture 0 (an image that did not load) draws as if texturing were off.
    c->texture = g_gl.texturing ? static_cast<int32_t>(g_gl.boundTexture) : 0;
}

void RecordClear(GLbitfield mask)
{
    if (!g_gl.drawing)
        return;
    NoteFrameStart();
    StreamCommand c = {};
    c.kind = COMMAND_CLEAR;
    c.clearMask = static_cast<int32_t>(mask);
    std::memcpy(c.clearColour, g_gl.clearColour, sizeof c.clearColour);
    s_commands.push_back(c);
}

// True when two draws can be one: the same primitive under the same state.
static bool HaveSameState(const StreamCommand& a, const StreamCommand& b)
{
    return a.primitive == b.primitive
        && std::memcmp(a.viewport, b.viewport, sizeof(StreamCommand) - offsetof(StreamCommand, viewport)) == 0;
}

StreamVertex* AppendStreamVertices(int primitive, int count)
{
    NoteFrameStart();
    StreamCommand c = {};
    c.kind = COMMAND_DRAW;
    c.primitive = primitive;
    c.first = static_cast<int32_t>(s_vertices.size());
    c.count = count;
    FillCommandState(&c);
    StreamCommand* last = s_commands.empty() ? nullptr : &s_commands.back();
    // Same state and contiguous: one longer draw.
    if (last && last->kind == COMMAND_DRAW && last->first + last->count == c.first && HaveSameState(*last, c))
        last->count += count;
    else
        s_commands.push_back(c);
    s_vertices.resize(s_vertices.size() + static_cast<size_t>(count));
    return s_vertices.data() + c.first;
}

// Turns one of the switches the show uses on or off; others are ignored.
static void SetCapability(GLenum cap, bool on)
{
    switch (cap) {
    case GL_DEPTH_TEST: g_gl.depthTest = on; break;
    case GL_BLEND: g_gl.blend = on; break;
    case GL_TEXTURE_2D: g_gl.texturing = on; break;
    case GL_MULTISAMPLE_ARB: g_gl.multisample = on; break;
    default: break;
    }
}

extern "C" {

void glEnable(GLenum cap) { SetCapability(cap, true); }
void glDisable(GLenum cap) { SetCapability(cap, false); }

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    g_gl.colour[0] = r;
    g_gl.colour[1] = g;
    g_gl.colour[2] = b;
    g_gl.colour[3] = a;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { glColor4f(r, g, b, 1.0f); }

void glColor3ub(GLubyte r, GLubyte g, GLubyte b)
{
    glColor4f(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}

void glTexCoord2f(GLfloat u, GLfloat v)
{
    g_gl.texcoord[0] = u;
    g_gl.texcoord[1] = v;
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    g_gl.clearColour[0] = r;
    g_gl.clearColour[1] = g;
    g_gl.clearColour[2] = b;
    g_gl.clearColour[3] = a;
}

void glClear(GLbitfield mask) { RecordClear(mask); }

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    g_gl.viewport[0] = x;
    g_gl.viewport[1] = y;
    g_gl.viewport[2] = width;
    g_gl.viewport[3] = height;
}

void glBlendFunc(GLenum source, GLenum target)
{
    g_gl.blendSource = source;
    g_gl.blendTarget = target;
}

void glShadeModel(GLenum mode) { g_gl.flatShading = mode == GL_FLAT; }

void glPolygonMode(GLenum face, GLenum mode)
{
    // Faces are never culled and both sides are drawn alike in the show.
    (void)face;
    g_gl.polygonMode = mode;
}

// Sizes of 0 or less are errors in GL, which keeps the previous size.
void glLineWidth(GLfloat width)
{
    if (width > 0.0f)
        g_gl.lineWidth = width;
}

void glPointSize(GLfloat size)
{
    if (size > 0.0f)
        g_gl.pointSize = size;
}

void glPixelStorei(GLenum name, GLint value)
{
    if (name == GL_UNPACK_ALIGNMENT)
        g_gl.unpackAlignment = value;
}

const GLubyte* glGetString(GLenum name)
{
    // A 2.x version: textures of any size are taken as they are.
    static const char VERSION[] = "2.1 Halvane GL 1.x layer over WebGL 2";
    static const char VENDOR[] = "Halvane";
    static const char NONE[] = "";
    switch (name) {
    case GL_VERSION: return reinterpret_cast<const GLubyte*>(VERSION);
    case GL_VENDOR:
    case GL_RENDERER: return reinterpret_cast<const GLubyte*>(VENDOR);
    default: return reinterpret_cast<const GLubyte*>(NONE);
    }
}

}  // extern "C"
