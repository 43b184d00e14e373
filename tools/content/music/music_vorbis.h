// Writes the finished track as an Ogg Vorbis file with libvorbisenc. The
// stream's serial number and comments are fixed, so the same samples always
// give the same bytes.
#pragma once

#include <cstddef>
#include <cstdio>

// Encodes `frames` interleaved stereo float frames at 44.1 kHz into an open
// file. Returns false when a write fails or the encoder refuses its set-up.
bool EncodeOggVorbis(FILE* file, const float* interleaved, size_t frames);
