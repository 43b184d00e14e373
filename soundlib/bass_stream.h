// What the device asks of the streams (bass_stream.cpp).
#pragma once

#include "soundlib/sound_local.h"

// Takes a stream out of the mix and the table and frees its decoder and
// window; its handles are dead afterwards.
void ReleaseStream(SoundStream& stream);
