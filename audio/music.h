// The music: opens and plays the show's one track through the sound library
// and gives the scenes its spectrum level.
#pragma once

#include <cstdint>

#include "soundlib/magnitude_fft.h"

// The music stream handle; 0 until InitMusic opened one, and 0 again after a
// failed open. The shell plays, stops and frees it.
extern uint32_t g_musicStream;

// The last spectrum delivered (all zero until the first successful request);
// a failed request leaves it as it was.
extern float g_spectrumFrame[SPECTRUM_BINS];

// The music file, relative to the working directory.
extern const char* const MUSIC_FILE;

// Checks the library version, opens the default output device and the music
// file. Shows "Bass version error", "Bass init error" or "Music opening
// error" and returns false at the first failure; true when the stream is open.
bool InitMusic();

// Stops and frees the music stream and closes the output device, in that
// order; the shells' teardown after each run of the show.
void FreeMusic();

// Requests the spectrum of what is playing now into g_spectrumFrame and
// returns the sum of its 512 entries, added in index order in single precision.
float SampleSpectrum();
