// The error code of the sound library's last call (BASS_ErrorGetCode).
#pragma once

// Records the error code that BASS_ErrorGetCode reports (BASS_OK on success).
void SetSoundError(int code);
