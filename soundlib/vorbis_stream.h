// An Ogg Vorbis stream decoded as it is read: the decoder (stb_vorbis, fed
// page by page), the pages read so far for seeking, and the frame numbers
// of what comes out. Reads only what it decodes, plus the headers and the
// last page (the length the file claims) at the open.
//
// Nothing reaches the decoder unchecked: the headers pass
// CheckVorbisHeaders, and every later page must have its CRC and follow the
// one before it (ogg_pages.h); the first page that does not, or a packet
// the decoder refuses, ends the audio there.
//
// Not thread-safe: one caller at a time (the library holds the stream's
// decode lock around every call).
#pragma once

#include <cstdint>

#include "soundlib/sound_source.h"

struct VorbisStream;

// What the open found.
struct VorbisStreamInfo {
    uint32_t channels;
    uint32_t rate;
    uint64_t claimedFrames;   // the length the last page gives, from the first sample (a claim only)
};

// Opens a stream on `source`, which it takes over (and closes on failure):
// checks the headers, opens the decoder and reads the claimed length.
// BASS_OK, BASS_ERROR_FILEFORM or BASS_ERROR_MEM.
int OpenVorbisStream(SoundSource& source, VorbisStream** stream, VorbisStreamInfo* info);

// Frees the decoder, the pages' index and the source.
void CloseVorbisStream(VorbisStream* stream);

// Decodes the next frames: returns how many there are (at most 4096; 0 once
// the audio has ended), with *first the number of the first and *channels
// the decoder's float channels (full scale 1.0), valid until the next call.
// At most VORBIS_MAX_FRAMES_PER_CALL frames (half the largest Vorbis block):
// what the window and the feeder leave room for.
enum { VORBIS_MAX_FRAMES_PER_CALL = 4096 };
uint32_t DecodeVorbisFrames(VorbisStream* stream, float*** channels, uint64_t* first);

// A jump this far ahead of the decoder or less decodes on to it rather than
// restarting the decoder (the window keeps what it holds meanwhile).
enum { VORBIS_DECODE_ON_FRAMES = 16384 };

// Makes the next frames DecodeVorbisFrames returns start exactly at
// `frame` (or end the audio, when the audio ends before it).
void SeekVorbisStream(VorbisStream* stream, uint64_t frame);

// The frame at which the audio ends, once decoding or a seek has met it;
// all ones until then.
uint64_t GetVorbisStreamEnd(const VorbisStream* stream);

// The length the file claims, measured from the stream's first sample once
// decoding has passed the first page with a granule position (before that,
// the last page's granule position as it stands).
uint64_t GetVorbisClaimedFrames(const VorbisStream* stream);

// The decoder's work so far: every frame it has decoded, those a seek
// dropped included (for the tests and the benchmark).
uint64_t GetVorbisDecodedFrames(const VorbisStream* stream);

// Writes `frames` frames of float channels (full scale 1.0, any value) as
// interleaved 16-bit samples at `out`, rounded and clamped.
void ConvertToPcm16(float* const* channels, uint32_t channelCount, uint32_t frames, int16_t* out);
