// The mix and the heard-frame clock (sound_mix.cpp): the one device and
// the stream table, the mix the output backends call, and what the caller's
// thread asks of it.
#pragma once

#include "soundlib/sound_local.h"
#include "soundlib/stream_window.h"

// The one device and the stream table of the process: the library's 2.3
// interface has no device or context argument.
extern SoundDevice g_soundDevice;
extern SoundStream g_soundStreams[MAX_STREAMS];

// Excludes the mix thread while the table changes (no-op for device 0).
void LockMix();
void UnlockMix();

// Brings device 0's clock-driven mix up to now (no-op for a real device).
void PumpMix();

// Publishes the anchor of a stream that starts or jumps to `position`.
void ResetMixAnchor(SoundStream& stream, MixPosition position);

// The frame that is being heard now for a playing stream (output latency
// accounted for), or the stored position of any other stream.
uint32_t GetHeardFrame(SoundStream& stream);

// True when a real device's mix reads this stream's window.
bool IsMixedByDevice(const SoundStream& stream);

// Adds every playing stream into `frameCount` stereo 16-bit frames at
// `out` (null: "no sound", the frames only pass); handed to the backends.
void MixPlayingStreams(int16_t* out, uint32_t frameCount);
