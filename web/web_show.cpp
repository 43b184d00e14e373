// The browser shell: what the page (page.js) calls to run the show. The
// page owns the setup dialog, the canvas, the keys, the message boxes and
// the frame loop (requestAnimationFrame); this side owns the show's state
// and its clock, which is the other shells' clock: the demo time starts at
// 0.3 and each frame adds, in single precision, the time measured with
// performance.now since the previous frame (drawing included). The clock
// starts right before the music does, so the show runs 0.3 s ahead of it.
// A hidden tab draws no frames; its first frame back takes in the whole
// pause, and the show is where the music is, as after a minimise.
//
// The test mode's single frame follows the offline renderer: a fixed frame
// rate from 0.3, the music set before every frame to demo time - 0.3 on the
// "no sound" device, every earlier frame run but not drawn.
#include "audio/music.h"
#include "platform/gl_webgl2/gl_webgl2.h"
#include "platform/message_box.h"
#include "soundlib/bass.h"
#include "soundlib/output_webaudio.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"
#include "tools/capture/capture_clock.h"
#include "tools/capture/capture_music.h"

#include <emscripten/emscripten.h>

// The frame clock: performance.now at the previous frame (or the start of
// play), and the wasm side's own time for the last frame.
struct WebFrameClock {
    double lastMs;
    double workMs;
};

static WebFrameClock s_clock;

// The display choice of the page: 16:9 or 4:3, fullscreen or windowed.
static void ChooseDisplay(int fourThirds, int fullscreen)
{
    g_displaySettings = fourThirds ? DISPLAY_4_3 : DISPLAY_16_9;
    g_displaySettings.fullscreen = static_cast<uint8_t>(fullscreen ? 1 : 0);
}

// Draws one frame at g_demoTime and notes how long the wasm side took.
static void DrawShowFrame()
{
    const double started = emscripten_get_now();
    BeginGlFrame();
    RenderFrame();
    EndGlFrame();
    s_clock.workMs = emscripten_get_now() - started;
}

extern "C" {

// The GL context and the show's content, then the music opened; messages
// go to the page's queue. Returns the samples per pixel of the frame, or
// -1 when the browser has no WebGL 2 (the page then says so).
EMSCRIPTEN_KEEPALIVE int HalvanePrepareShow(int fourThirds, int fullscreen)
{
    ChooseDisplay(fourThirds, fullscreen);
    const int samples = CreateWebGlContext(g_displaySettings.windowWidth, g_displaySettings.windowHeight);
    if (samples < 0)
        return -1;
    InitShow();
    InitMusic();
    return samples;
}

// Starts the clock and the music; once the page has shown any messages.
EMSCRIPTEN_KEEPALIVE void HalvanePlayShow()
{
    // The output's queue brought up to date first (the page has just had
    // its current count from the worklet), so the music is not taken for
    // late and passed over.
    FeedWebAudioOutput();
    s_clock.lastMs = emscripten_get_now();
    if (!BASS_ChannelPlay(g_musicStream, TRUE))
        ShowMessageBox("Music play error", nullptr, MESSAGE_OK);
    FeedWebAudioOutput();
}

// One frame: the clock advanced by the time since the previous frame, the
// frame drawn. Returns 1 while the show goes on, 0 from its end time.
EMSCRIPTEN_KEEPALIVE int HalvaneStepFrame()
{
    const double now = emscripten_get_now();
    g_demoTime = g_demoTime + static_cast<float>((now - s_clock.lastMs) / 1000.0);
    s_clock.lastMs = now;
    DrawShowFrame();
    FeedWebAudioOutput();
    return g_demoTime >= END_TIME ? 0 : 1;
}

// The demo time of the last frame, and the wasm side's time for it (ms).
EMSCRIPTEN_KEEPALIVE double HalvaneGetDemoTime() { return g_demoTime; }
EMSCRIPTEN_KEEPALIVE double HalvaneGetFrameWork() { return s_clock.workMs; }

// The music's position the library reports now (the frame being heard),
// in bytes of the track; -1 without music.
EMSCRIPTEN_KEEPALIVE double HalvaneGetMusicPosition()
{
    if (g_musicStream == 0)
        return -1.0;
    return static_cast<double>(BASS_ChannelGetPosition(g_musicStream));
}

// Seconds since the last frame's clock reading.
EMSCRIPTEN_KEEPALIVE double HalvaneGetSinceFrameClock()
{
    return (emscripten_get_now() - s_clock.lastMs) / 1000.0;
}

// Stops the music and frees the device, at the end or on Escape.
EMSCRIPTEN_KEEPALIVE void HalvaneEndShow()
{
    BASS_ChannelStop(g_musicStream);
    BASS_StreamFree(g_musicStream);
    BASS_Free();
    g_musicStream = 0;
}

// The test mode: the frame at demo time `at` as the offline renderer draws
// it at `fps` frames per second (the earlier frames run undrawn), silent.
// Returns the demo time of the frame drawn, or -1 without WebGL 2.
EMSCRIPTEN_KEEPALIVE double HalvaneDrawTestFrame(int fourThirds, double at, int fps)
{
    ChooseDisplay(fourThirds, 0);
    if (CreateWebGlContext(g_displaySettings.windowWidth, g_displaySettings.windowHeight) < 0)
        return -1.0;
    InitShow();
    OpenCaptureMusic();
    StartCaptureClock(fps);
    SetGlDrawing(false);
    for (int k = 0;; ++k) {
        if (k > 0)
            StepCaptureClock();
        PositionCaptureMusic();
        if (HasCaptureClockReached(at) || IsLastShowFrame())
            break;
        RenderFrame();
    }
    SetGlDrawing(true);
    DrawShowFrame();
    CloseCaptureMusic();
    return g_demoTime;
}

}  // extern "C"
