// The offscreen frame and its scaled presentation (see present_frame.h).
// Framebuffer objects are GL 3.0 (or ARB_framebuffer_object), reached
// through SDL's entry-point lookup; a driver without them gets the frame
// drawn straight into the window at its fixed size, unscaled.
#include "linux/present_frame.h"

#include "linux/frame_fit.h"
#include "platform/gl_api.h"
#include "timeline/show_state.h"

#include <GL/glext.h>

#include <cstdlib>

// The framebuffer entry points, looked up once per context.
struct FramebufferApi {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
};

// The offscreen frame: a framebuffer the core draws into (multisampled when
// the window is) and a texture the frame ends up in, resolved from the
// multisampled one when there is one, or drawn into directly when not. The
// texture is drawn into the window scaled: a blit cannot do that, since a
// multisampled window takes no scaling blit. Made on the first frame that
// needs it and kept.
struct OffscreenFrame {
    bool tried;            // made, or found impossible, once per context
    bool usable;
    FramebufferApi api;
    GLuint drawFramebuffer;     // multisampled; 0 when the window has no samples
    GLuint drawColour;
    GLuint drawDepth;
    GLuint textureFramebuffer;  // the frame as a texture
    GLuint texture;
    GLuint textureDepth;        // its depth buffer when it is drawn into directly
    int width;
    int height;
    bool drawnOffscreen;   // the frame being drawn goes through it
};

static OffscreenFrame s_frame;

// Looks one entry point up; false when the driver has none.
template <typename Function>
static bool LookUp(Function* function, const char* name)
{
    *function = reinterpret_cast<Function>(SDL_GL_GetProcAddress(name));
    return *function != nullptr;
}

// True when the context offers framebuffer objects with blits and
// multisampled renderbuffers, and the entry points are found.
static bool LoadFramebufferApi(FramebufferApi* api)
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const bool core30 = version && std::atoi(version) >= 3;
    if (!core30 && !SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object"))
        return false;
    return LookUp(&api->genFramebuffers, "glGenFramebuffers")
        && LookUp(&api->deleteFramebuffers, "glDeleteFramebuffers")
        && LookUp(&api->bindFramebuffer, "glBindFramebuffer")
        && LookUp(&api->checkFramebufferStatus, "glCheckFramebufferStatus")
        && LookUp(&api->genRenderbuffers, "glGenRenderbuffers")
        && LookUp(&api->deleteRenderbuffers, "glDeleteRenderbuffers")
        && LookUp(&api->bindRenderbuffer, "glBindRenderbuffer")
        && LookUp(&api->renderbufferStorageMultisample, "glRenderbufferStorageMultisample")
        && LookUp(&api->framebufferRenderbuffer, "glFramebufferRenderbuffer")
        && LookUp(&api->framebufferTexture2D, "glFramebufferTexture2D")
        && LookUp(&api->blitFramebuffer, "glBlitFramebuffer");
}

// Attaches a new 16-bit depth renderbuffer (as the window asks for) with
// `samples` samples to the bound framebuffer.
static void AttachDepth(const FramebufferApi& api, int width, int height, int samples, GLuint* depth)
{
    api.genRenderbuffers(1, depth);
    api.bindRenderbuffer(GL_RENDERBUFFER, *depth);
    api.renderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT16, width, height);
    api.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, *depth);
    api.bindRenderbuffer(GL_RENDERBUFFER, 0);
}

// True when the bound framebuffer can be drawn into.
static bool IsComplete(const FramebufferApi& api)
{
    return api.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// Makes the offscreen frame at the show's frame size with the window's
// sample count (no more than the driver allows). Leaves the window's
// framebuffer and no texture bound.
static bool MakeOffscreenFrame(const RenderWindow& record)
{
    OffscreenFrame& f = s_frame;
    const FramebufferApi& api = f.api;
    if (!LoadFramebufferApi(&f.api))
        return false;
    f.width = g_displaySettings.windowWidth;
    f.height = g_displaySettings.windowHeight;
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    const int samples = record.samples < maxSamples ? record.samples : maxSamples;

    // The texture keeps no mipmaps, so it is complete with one level.
    glGenTextures(1, &f.texture);
    glBindTexture(GL_TEXTURE_2D, f.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, f.width, f.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    api.genFramebuffers(1, &f.textureFramebuffer);
    api.bindFramebuffer(GL_FRAMEBUFFER, f.textureFramebuffer);
    api.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, f.texture, 0);
    if (samples == 0)
        AttachDepth(api, f.width, f.height, 0, &f.textureDepth);
    bool complete = IsComplete(api);

    if (complete && samples > 0) {
        api.genFramebuffers(1, &f.drawFramebuffer);
        api.bindFramebuffer(GL_FRAMEBUFFER, f.drawFramebuffer);
        api.genRenderbuffers(1, &f.drawColour);
        api.bindRenderbuffer(GL_RENDERBUFFER, f.drawColour);
        api.renderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, f.width, f.height);
        api.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, f.drawColour);
        AttachDepth(api, f.width, f.height, samples, &f.drawDepth);
        complete = IsComplete(api);
    }
    api.bindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

void BeginShowFrame(const RenderWindow& record, int drawableWidth, int drawableHeight)
{
    OffscreenFrame& f = s_frame;
    f.drawnOffscreen = false;
    if (drawableWidth == g_displaySettings.windowWidth && drawableHeight == g_displaySettings.windowHeight)
        return;
    if (!f.tried) {
        f.tried = true;
        f.usable = MakeOffscreenFrame(record);
        if (!f.usable)
            ReleaseShowFrame();
    }
    if (!f.usable)
        return;
    f.api.bindFramebuffer(GL_FRAMEBUFFER, f.drawFramebuffer ? f.drawFramebuffer : f.textureFramebuffer);
    f.drawnOffscreen = true;
}

// Draws the frame's texture into rect over a black window, with every piece of GL
// state it touches put back afterwards: the core relies on the state it
// left at the end of the previous frame (matrices, colour, viewport).
static void DrawFrameTexture(GLuint texture, int drawableWidth, int drawableHeight, const FrameRect& rect)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // The bars: the whole window black, then the frame over it.
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, drawableWidth, drawableHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(rect.x, rect.y, rect.width, rect.height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void EndShowFrame(int drawableWidth, int drawableHeight)
{
    OffscreenFrame& f = s_frame;
    if (!f.drawnOffscreen)
        return;
    const FramebufferApi& api = f.api;
    if (f.drawFramebuffer) {
        api.bindFramebuffer(GL_READ_FRAMEBUFFER, f.drawFramebuffer);
        api.bindFramebuffer(GL_DRAW_FRAMEBUFFER, f.textureFramebuffer);
        api.blitFramebuffer(0, 0, f.width, f.height, 0, 0, f.width, f.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    api.bindFramebuffer(GL_FRAMEBUFFER, 0);
    DrawFrameTexture(f.texture, drawableWidth, drawableHeight,
                     FitFrame(f.width, f.height, drawableWidth, drawableHeight));
}

void ReleaseShowFrame()
{
    OffscreenFrame& f = s_frame;
    if (f.api.deleteFramebuffers) {
        const GLuint framebuffers[] = { f.drawFramebuffer, f.textureFramebuffer };
        const GLuint renderbuffers[] = { f.drawColour, f.drawDepth, f.textureDepth };
        f.api.deleteFramebuffers(2, framebuffers);
        f.api.deleteRenderbuffers(3, renderbuffers);
    }
    if (f.texture)
        glDeleteTextures(1, &f.texture);
    const bool tried = f.tried;
    s_frame = OffscreenFrame();
    // A frame found impossible stays so for this context.
    s_frame.tried = tried;
}
