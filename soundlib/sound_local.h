// Private state of the sound library: the device, the stream table and the
// decoded audio, shared by bass_device.cpp and bass_stream.cpp.
//
// Threading: the table and the device record change only on the caller's
// thread, and only while the device output is locked (LockMix), so the mix
// thread sees a stream either whole or not at all. The positions of playing
// streams are atomics written by the mix and read by the caller's thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "soundlib/bass.h"
#include "soundlib/sound_clock.h"

enum { MAX_STREAMS = 16 };

// Fixed-point stream positions: frames in the upper 32 bits, the fraction of
// a frame (resampling) in the lower 32.
typedef uint64_t MixPosition;
enum { MIX_FRACTION_BITS = 32 };

// Decoded audio of one stream: interleaved signed 16-bit samples.
struct PcmTrack {
    int16_t* samples;
    uint32_t frames;
    uint32_t channels;
    uint32_t rate;
};

// When and where the mix last took a buffer from a playing stream; written
// by the mix thread under a sequence count (odd while it writes), read by
// the caller's thread, which retries when the count moved.
struct MixAnchor {
    std::atomic<uint32_t> sequence;
    std::atomic<uint64_t> position;   // MixPosition at the buffer's start
    std::atomic<uint64_t> end;        // MixPosition after the buffer
    std::atomic<int64_t> timeNs;      // clock at that mix call
};

// One stream slot.
struct SoundStream {
    bool used;
    uint32_t serial;             // tells a freed slot's old handles apart
    bool decodeOnly;             // BASS_STREAM_DECODE: never played
    PcmTrack pcm;
    MixPosition step;            // stream frames per device frame (fixed point)
    std::atomic<bool> playing;   // taken by the mix
    std::atomic<MixPosition> mixPosition;  // next frame the mix takes
    MixPosition startPosition;   // where the current play began
    MixAnchor anchor;
};

// The open device, if any.
struct SoundDevice {
    bool open;
    bool isNull;                 // device 0: "no sound", played by the clock
    uint32_t rate;
    uint32_t latencyFrames;      // device frames between mix and hearing
};

// The one device and the stream table of the process: the library's 2.3
// interface has no device or context argument.
extern SoundDevice g_soundDevice;
extern SoundStream g_soundStreams[MAX_STREAMS];

// Records the error code that BASS_ErrorGetCode reports (BASS_OK on success).
void SetSoundError(int code);

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

// Writes `frames` frames of the decoder's float channels (full scale 1.0,
// any value) as interleaved 16-bit samples at `out`, rounded and clamped.
void ConvertToPcm16(float* const* channels, uint32_t channelCount, uint32_t frames, int16_t* out);

// Decodes a whole Ogg Vorbis image into `pcm` (samples allocated with
// malloc). Returns BASS_OK or an error code; on error `pcm` is empty.
int DecodeOggVorbis(const unsigned char* data, uint32_t size, PcmTrack* pcm);
