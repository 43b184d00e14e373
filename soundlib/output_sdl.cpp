// The Linux output device: SDL2 audio, stereo signed 16-bit, fed from SDL's
// own audio thread. Under SDL_AUDIODRIVER=dummy SDL consumes the audio in
// real time without a sound card (the tests run that way); with no usable
// driver the open fails.
//
// Implements from sound_output.h: OpenDeviceOutput, CloseDeviceOutput,
// GetDeviceOutputLatency, LockDeviceOutput, UnlockDeviceOutput.
#include "soundlib/sound_output.h"

#include <SDL.h>

// Frames per SDL buffer: about 46 ms at 44.1 kHz. Long enough that a late
// wake-up of the audio thread costs no gap on a busy machine, short enough
// for the position to follow the sound closely (it is interpolated between
// buffers anyway).
enum { SDL_BUFFER_FRAMES = 2048 };

// State of the one SDL device.
struct SdlOutput {
    SDL_AudioDeviceID device;
    SoundMixFunction mix;
    uint32_t latencyFrames;
};

static SdlOutput s_sdlOutput;

// SDL's audio callback: SDL holds the device lock while it runs.
static void SDLCALL FillSdlBuffer(void* user, Uint8* stream, int length)
{
    (void)user;
    s_sdlOutput.mix((int16_t*)stream, (uint32_t)length / 4u);
}

bool OpenDeviceOutput(uint32_t rate, SoundMixFunction mix)
{
    if (s_sdlOutput.device != 0)
        return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = (int)rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = SDL_BUFFER_FRAMES;
    want.callback = FillSdlBuffer;
    SDL_AudioSpec have;
    s_sdlOutput.mix = mix;
    // No changes allowed: SDL converts if the hardware wants another format,
    // so the mix always writes what it was asked for.
    s_sdlOutput.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (s_sdlOutput.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    // The buffer that plays while the next one is mixed.
    s_sdlOutput.latencyFrames = have.samples;
    SDL_PauseAudioDevice(s_sdlOutput.device, 0);
    return true;
}

void CloseDeviceOutput()
{
    if (s_sdlOutput.device == 0)
        return;
    SDL_CloseAudioDevice(s_sdlOutput.device);   // waits for the callback
    s_sdlOutput.device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

uint32_t GetDeviceOutputLatency()
{
    return s_sdlOutput.latencyFrames;
}

void LockDeviceOutput()
{
    SDL_LockAudioDevice(s_sdlOutput.device);
}

void UnlockDeviceOutput()
{
    SDL_UnlockAudioDevice(s_sdlOutput.device);
}
