// The browser's output device: Web Audio, through an AudioWorklet node the
// page made on the user's click (output_webaudio_worklet.js plays, the
// main-thread side is output_webaudio.js). The browser gives wasm no
// threads here, so the mix runs on the page's thread: FeedWebAudioOutput
// keeps the worklet's queue LEAD_FRAMES ahead of the frame the worklet
// reports it has played, in chunks of CHUNK_FRAMES. The worklet plays frame
// n of our numbering at its own n-th output frame; a chunk that arrives late
// loses its late part, so a hold-up costs a gap, never the music's step with
// the clock. The latency is therefore the lead (less half a chunk, the
// average of where a chunk's first frame sits) plus the browser's own.
//
// Implements from sound_output.h: OpenDeviceOutput, CloseDeviceOutput,
// GetDeviceOutputLatency, LockDeviceOutput, UnlockDeviceOutput; and
// FeedWebAudioOutput (output_webaudio.h).
#include "soundlib/output_webaudio.h"
#include "soundlib/sound_output.h"

#include <emscripten/emscripten.h>

// The lead kept ahead of the played frame (46 ms at 44.1 kHz), and the
// size of the chunks it is topped up in.
enum { LEAD_FRAMES = 2048, CHUNK_FRAMES = 256 };

// output_webaudio.js
extern "C" {
int HalvaneAudioOpen(unsigned rate);
double HalvaneAudioPlayed();
int HalvaneAudioLatency();
void HalvaneAudioPost(const int16_t* samples, unsigned frames, double firstFrame);
void HalvaneAudioClose();
}

// State of the one Web Audio device.
struct WebAudioOutput {
    bool open;
    SoundMixFunction mix;
    double written;      // our number of the next frame to hand over
    uint32_t latencyFrames;
    int16_t chunk[CHUNK_FRAMES * 2];
};

static WebAudioOutput s_webAudio;

bool OpenDeviceOutput(uint32_t rate, SoundMixFunction mix)
{
    if (s_webAudio.open || !HalvaneAudioOpen(rate))
        return false;
    s_webAudio.open = true;
    s_webAudio.mix = mix;
    s_webAudio.written = HalvaneAudioPlayed();
    s_webAudio.latencyFrames = LEAD_FRAMES - CHUNK_FRAMES / 2 + static_cast<uint32_t>(HalvaneAudioLatency());
    FeedWebAudioOutput();
    return true;
}

void CloseDeviceOutput()
{
    if (!s_webAudio.open)
        return;
    s_webAudio.open = false;
    HalvaneAudioClose();
}

uint32_t GetDeviceOutputLatency()
{
    return s_webAudio.latencyFrames;
}

// The mix and the library's calls share one thread: nothing to lock.
void LockDeviceOutput() {}
void UnlockDeviceOutput() {}

extern "C" EMSCRIPTEN_KEEPALIVE void FeedWebAudioOutput()
{
    if (!s_webAudio.open)
        return;
    const double played = HalvaneAudioPlayed();
    // Fallen behind what has played (a long hold-up): what should have
    // played meanwhile is passed over, as a device would have played it.
    if (s_webAudio.written < played) {
        s_webAudio.mix(nullptr, static_cast<uint32_t>(played - s_webAudio.written));
        s_webAudio.written = played;
    }
    while (s_webAudio.written - played < LEAD_FRAMES) {
        s_webAudio.mix(s_webAudio.chunk, CHUNK_FRAMES);
        HalvaneAudioPost(s_webAudio.chunk, CHUNK_FRAMES, s_webAudio.written);
        s_webAudio.written += CHUNK_FRAMES;
    }
}
