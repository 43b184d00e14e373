// The error code of the sound library's last call: set by every entry point,
// read back by BASS_ErrorGetCode.
#include "soundlib/sound_error.h"

#include "soundlib/bass.h"

// The last call's error code: the library is called from one thread.
static int s_soundError = BASS_OK;

void SetSoundError(int code)
{
    s_soundError = code;
}

int BASSCALL BASS_ErrorGetCode(void)
{
    return s_soundError;
}
