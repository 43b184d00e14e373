// The sound library's device: BASS_GetVersion, BASS_Init and BASS_Free.
// It opens an output backend with the mix (sound_mix.cpp) as its source,
// starts the feeder with a real device, and releases every stream when the
// device closes.
#include "soundlib/bass_stream.h"
#include "soundlib/sound_error.h"
#include "soundlib/sound_mix.h"
#include "soundlib/sound_output.h"
#include "soundlib/stream_feeder.h"

// Our interface version 2.3, revision 0, build 1.
static const DWORD SOUNDLIB_VERSION = 0x02030001u;

DWORD BASSCALL BASS_GetVersion(void)
{
    return SOUNDLIB_VERSION;
}

BOOL BASSCALL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid)
{
    (void)flags;  // 3D and the other init flags change nothing here
    (void)win;
    (void)clsid;
    if (g_soundDevice.open) {
        SetSoundError(BASS_ERROR_ALREADY);
        return FALSE;
    }
    if (device < -1 || device > 1) {
        SetSoundError(BASS_ERROR_DEVICE);
        return FALSE;
    }
    if (freq == 0)
        freq = 44100;
    if (freq < 8000 || freq > 192000) {
        SetSoundError(BASS_ERROR_ILLPARAM);
        return FALSE;
    }
    const bool isNull = device == 0;
    bool opened = isNull ? OpenNullOutput(freq, MixPlayingStreams) : OpenDeviceOutput(freq, MixPlayingStreams);
    if (!opened) {
        SetSoundError(BASS_ERROR_DRIVER);
        return FALSE;
    }
    g_soundDevice.open = true;
    g_soundDevice.isNull = isNull;
    g_soundDevice.rate = freq;
    g_soundDevice.latencyFrames = isNull ? 0 : GetDeviceOutputLatency();
    if (!isNull && !StartStreamFeeder()) {
        CloseDeviceOutput();
        g_soundDevice.open = false;
        SetSoundError(BASS_ERROR_MEM);
        return FALSE;
    }
    SetSoundError(BASS_OK);
    return TRUE;
}

BOOL BASSCALL BASS_Free(void)
{
    if (!g_soundDevice.open) {
        SetSoundError(BASS_ERROR_INIT);
        return FALSE;
    }
    // Stop decoding ahead, release every stream (each taken out of the mix
    // first), then close the device.
    StopStreamFeeder();
    for (SoundStream& stream : g_soundStreams) {
        if (stream.used)
            ReleaseStream(stream);
    }
    if (g_soundDevice.isNull)
        CloseNullOutput();
    else
        CloseDeviceOutput();
    g_soundDevice.open = false;
    g_soundDevice.isNull = false;
    SetSoundError(BASS_OK);
    return TRUE;
}
