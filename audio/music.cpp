// The music: version check, device, stream, and the spectrum level the
// scenes react to.
#include "audio/music.h"

#include "platform/message_box.h"
#include "soundlib/bass.h"

uint32_t g_musicStream = 0;
float g_spectrumFrame[SPECTRUM_BINS] = {};
const char* const MUSIC_FILE = "data/vx - orrin lumo.ogg";

// Shows one of the music's messages: no caption of its own, OK only.
static void ShowMusicMessage(const char* text)
{
    ShowMessageBox(text, nullptr, MESSAGE_OK);
}

bool InitMusic()
{
    // Only the upper half-word counts: any 2.3 release is accepted.
    if ((BASS_GetVersion() >> 16) != 0x0203) {
        ShowMusicMessage("Bass version error");
        return false;
    }
    if (!BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) {
        ShowMusicMessage("Bass init error");
        return false;
    }
    g_musicStream = BASS_StreamCreateFile(FALSE, MUSIC_FILE, 0, 0, 0);
    if (g_musicStream == 0) {
        NoteMessageFile(MUSIC_FILE);
        ShowMusicMessage("Music opening error");
        return false;
    }
    return true;
}

float SampleSpectrum()
{
    // A failed request leaves the frame as it was, so the level repeats.
    BASS_ChannelGetData(g_musicStream, g_spectrumFrame, BASS_DATA_FFT1024);
    float level = 0.0f;
    for (int i = 0; i < SPECTRUM_BINS; ++i)
        level += g_spectrumFrame[i];
    return level;
}

void FreeMusic()
{
    BASS_ChannelStop(g_musicStream);
    BASS_StreamFree(g_musicStream);
    BASS_Free();
}
