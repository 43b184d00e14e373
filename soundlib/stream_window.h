// A stream's window of decoded audio (stream_window.cpp): the ring of frames
// around its position that the decoder fills and the mix reads.
#pragma once

#include "soundlib/sound_local.h"

// The samples of `frame` in a window; valid while the frame is held.
inline const int16_t* GetWindowFrame(const PcmWindow& window, uint32_t channels, uint64_t frame)
{
    return window.samples + (size_t)(frame & (window.frames - 1)) * channels;
}

// Gives a new stream its window, sized for the device's latency in device
// frames (empty, at frame 0). False when there is no memory for it.
bool CreatePcmWindow(SoundStream& stream, uint32_t latencyFrames);

// Frees a stream's window.
void FreePcmWindow(SoundStream& stream);

// Decodes until frames [from, to) are held, or as many as the window can
// hold without writing over frames from `keep` on (which another thread may
// be reading). When `from` is out of reach of what is held, seeks to it if
// `maySeek`, else decodes on from where it is. Records the stream's end
// when decoding meets it. Called with the decode lock held. Returns whether
// `from` is held afterwards.
bool FillPcmWindow(SoundStream& stream, uint64_t from, uint64_t to, uint64_t keep, bool maySeek);
