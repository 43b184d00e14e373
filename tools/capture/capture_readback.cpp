// The pixel-buffer ring of the offline renderer (see capture_readback.h).
// Pixel buffer objects are core GL since 2.1; the show itself uses GL 1.x
// only, so they appear here, in the tool, and nowhere in the core.
#define GL_GLEXT_PROTOTYPES 1
#include "tools/capture/capture_readback.h"

#include "platform/gl_api.h"
#include "platform/headless_gl.h"

#include <GL/glext.h>

#include <cassert>
#include <cstdio>
#include <cstring>

// The buffers, the oldest queued slot and how many are queued.
static struct {
    GLuint buffers[READBACK_RING_SIZE] = {};
    float demoTimes[READBACK_RING_SIZE] = {};
    int oldest = 0;
    int queued = 0;
    int width = 0;
    int height = 0;
    bool open = false;
} s_ring;

bool OpenReadbackRing()
{
    CloseReadbackRing();
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2 || major * 10 + minor < 21)
        return false;
    s_ring.width = GetHeadlessWidth();
    s_ring.height = GetHeadlessHeight();
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(s_ring.width) * s_ring.height * 4;
    glGenBuffers(READBACK_RING_SIZE, s_ring.buffers);
    for (GLuint buffer : s_ring.buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    s_ring.oldest = 0;
    s_ring.queued = 0;
    s_ring.open = glGetError() == GL_NO_ERROR;
    if (!s_ring.open)
        CloseReadbackRing();
    return s_ring.open;
}

void QueueFrameReadback(float demoTime)
{
    assert(s_ring.open && s_ring.queued < READBACK_RING_SIZE);
    const int slot = (s_ring.oldest + s_ring.queued) % READBACK_RING_SIZE;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, s_ring.buffers[slot]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, s_ring.width, s_ring.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    // Hands the frame and its copy to the rasteriser now, like a swap would.
    glFlush();
    s_ring.demoTimes[slot] = demoTime;
    ++s_ring.queued;
}

int CountQueuedReadbacks()
{
    return s_ring.queued;
}

const uint8_t* MapOldestReadback(float* demoTime)
{
    assert(s_ring.open && s_ring.queued > 0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, s_ring.buffers[s_ring.oldest]);
    const void* pixels = glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    *demoTime = s_ring.demoTimes[s_ring.oldest];
    return static_cast<const uint8_t*>(pixels);
}

void ReleaseOldestReadback()
{
    assert(s_ring.open && s_ring.queued > 0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, s_ring.buffers[s_ring.oldest]);
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    s_ring.oldest = (s_ring.oldest + 1) % READBACK_RING_SIZE;
    --s_ring.queued;
}

void CloseReadbackRing()
{
    if (s_ring.buffers[0] != 0)
        glDeleteBuffers(READBACK_RING_SIZE, s_ring.buffers);
    std::memset(s_ring.buffers, 0, sizeof s_ring.buffers);
    s_ring.queued = 0;
    s_ring.open = false;
}
