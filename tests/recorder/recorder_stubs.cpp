// What the recorder stands in for: the GL 1.x and GLU calls the core makes,
// DevIL's image calls, the sound library's calls and the show's generator.
// Each writes its call into the current stream; none draws anything.
#include "call_recorder.h"

#include "platform/gl_api.h"
#include "scenes/show_random.h"
#include "soundlib/bass.h"

#include <IL/il.h>
#include <IL/ilut.h>

#include <cstdio>
#include <cstring>

// The spectrum script, the requests made, and the DevIL names handed out.
static std::vector<float> s_levels;
static size_t s_requests = 0;
static ILuint s_images = 0;
static GLuint s_textures = 0;

void SetSpectrumLevels(const std::vector<float>& levels)
{
    s_levels = levels;
}

void ResetRecorder()
{
    s_requests = 0;
    s_images = 0;
    s_textures = 0;
    g_recording = nullptr;
}

// ---- OpenGL 1.x ----
void glBegin(GLenum mode) { RecordCall("glBegin", mode); }
void glEnd() { RecordCall("glEnd"); }
void glEnable(GLenum cap) { RecordCall("glEnable", cap); }
void glDisable(GLenum cap) { RecordCall("glDisable", cap); }
void glClear(GLbitfield mask) { RecordCall("glClear", mask); }
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { RecordCall("glClearColor", r, g, b, a); }
void glShadeModel(GLenum mode) { RecordCall("glShadeModel", mode); }
void glBlendFunc(GLenum source, GLenum target) { RecordCall("glBlendFunc", source, target); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { RecordCall("glViewport", x, y, w, h); }
void glMatrixMode(GLenum mode) { RecordCall("glMatrixMode", mode); }
void glLoadIdentity() { RecordCall("glLoadIdentity"); }
void glPushMatrix() { RecordCall("glPushMatrix"); }
void glPopMatrix() { RecordCall("glPopMatrix"); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    RecordCall("glOrtho", l, r, b, t, n, f);
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { RecordCall("glTranslatef", x, y, z); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { RecordCall("glRotatef", angle, x, y, z); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { RecordCall("glScalef", x, y, z); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { RecordCall("glColor3f", r, g, b); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { RecordCall("glColor4f", r, g, b, a); }
void glColor3ub(GLubyte r, GLubyte g, GLubyte b)
{
    RecordCall("glColor3ub", static_cast<unsigned>(r), static_cast<unsigned>(g), static_cast<unsigned>(b));
}
void glPointSize(GLfloat size) { RecordCall("glPointSize", size); }
void glLineWidth(GLfloat width) { RecordCall("glLineWidth", width); }
void glPolygonMode(GLenum face, GLenum mode) { RecordCall("glPolygonMode", face, mode); }
void glVertex2i(GLint x, GLint y) { RecordCall("glVertex2i", x, y); }
void glVertex2f(GLfloat x, GLfloat y) { RecordCall("glVertex2f", x, y); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { RecordCall("glVertex3f", x, y, z); }
void glTexCoord2f(GLfloat s, GLfloat t) { RecordCall("glTexCoord2f", s, t); }
void glBindTexture(GLenum target, GLuint texture) { RecordCall("glBindTexture", target, texture); }
void glTexParameteri(GLenum target, GLenum name, GLint value) { RecordCall("glTexParameteri", target, name, value); }

// ---- GLU ----
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    RecordCall("gluPerspective", fovy, aspect, zNear, zFar);
}
void gluOrtho2D(GLdouble l, GLdouble r, GLdouble b, GLdouble t) { RecordCall("gluOrtho2D", l, r, b, t); }

// ---- DevIL: names count up from 1 (images) and 101 (textures); a file
// loads when it can be opened ----
void ilInit() { RecordCall("ilInit"); }
void ilGenImages(ILsizei count, ILuint* images)
{
    for (ILsizei i = 0; i < count; ++i)
        images[i] = ++s_images;
    RecordCall("ilGenImages", static_cast<int>(count), count > 0 ? images[0] : 0u);
}
void ilBindImage(ILuint image) { RecordCall("ilBindImage", image); }
ILboolean ilLoadImage(ILconst_string path)
{
    RecordCall("ilLoadImage", path);
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return IL_FALSE;
    std::fclose(file);
    return IL_TRUE;
}
ILboolean ilutRenderer(ILenum renderer)
{
    RecordCall("ilutRenderer", renderer);
    return IL_TRUE;
}
GLuint ilutGLBindTexImage()
{
    const GLuint texture = 101 + s_textures++;
    RecordCall("ilutGLBindTexImage", texture);
    return texture;
}

// ---- The sound library: only the spectrum requests answer anything ----
// The music's teardown is written into the stream: no frame may make it.
BOOL BASS_ChannelStop(DWORD handle)
{
    RecordCall("BASS_ChannelStop", static_cast<unsigned>(handle));
    return TRUE;
}
BOOL BASS_StreamFree(HSTREAM handle)
{
    RecordCall("BASS_StreamFree", static_cast<unsigned>(handle));
    return TRUE;
}
BOOL BASS_Free(void)
{
    RecordCall("BASS_Free");
    return TRUE;
}
DWORD BASS_GetVersion(void) { return 0x02030000u; }
BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) { return FALSE; }
HSTREAM BASS_StreamCreateFile(BOOL, const void*, DWORD, DWORD, DWORD) { return 0; }
DWORD BASS_ChannelGetData(DWORD, void* buffer, DWORD length)
{
    // Only the show's request is a spectrum request; anything else fails.
    if (length != BASS_DATA_FFT1024) {
        RecordCall("BASS_ChannelGetData", static_cast<unsigned>(length));
        return 0xFFFFFFFFu;
    }
    const float level = s_levels.empty() ? 0.0f : s_levels[s_requests % s_levels.size()];
    ++s_requests;
    RecordSpectrum(level);
    // The level in one magnitude and zero in the rest sums to the level.
    float* frame = static_cast<float*>(buffer);
    std::memset(frame, 0, 512 * sizeof(float));
    frame[0] = level;
    return 512 * sizeof(float);
}

// ---- The show's generator, recording each draw ----
uint32_t g_randomState = 1;

int ShowRand()
{
    g_randomState = g_randomState * 214013u + 2531011u;
    const int value = static_cast<int>((g_randomState >> 16) & 0x7FFFu);
    RecordRand(value);
    return value;
}
