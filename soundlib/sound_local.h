// Private records of the sound library: the device, a stream slot and its
// window of decoded audio. The files that work on them call one way only:
// device (bass_device.cpp) -> streams (bass_stream.cpp) -> feeder
// (stream_feeder.cpp) -> mix and heard-frame clock (sound_mix.cpp) ->
// window (stream_window.cpp) -> decoder (vorbis_stream.cpp), each declared
// in its own header.
//
// Threading. The caller's thread owns the table: a stream slot and the
// device record change only there, while the output's mix is locked out
// (LockMix) and the stream's decode lock is held, so the mix thread and the
// feeder thread see a stream either whole or not at all. Each stream's
// decoder and the writing of its window belong to whoever holds its decode
// lock: the caller's thread (opening, seeking, requests) or the feeder
// thread (decoding ahead of a stream that a real device plays). The mix
// thread never decodes and never waits for a decode lock: it reads the
// window, whose bounds are atomics, and it reads only frames the writers
// leave alone (from `keep` on, see FillPcmWindow). Positions the mix moves
// on are atomics read by the caller's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "soundlib/bass.h"
#include "soundlib/sound_clock.h"

struct VorbisStream;

enum { MAX_STREAMS = 16 };

// Fixed-point stream positions: frames in the upper 32 bits, the fraction of
// a frame (resampling) in the lower 32.
typedef uint64_t MixPosition;
enum { MIX_FRACTION_BITS = 32 };

// Frames after the end of a window's ring that repeat its first frames, so
// that any spectrum's worth of frames (and a frame with the one after it)
// lies in one piece of memory.
enum { WINDOW_MIRROR_FRAMES = 1024 };

// A stream's window of decoded audio: frames [start, end) are held, each at
// ring slot frame % frames (interleaved signed 16-bit samples).
struct PcmWindow {
    int16_t* samples;            // frames + WINDOW_MIRROR_FRAMES slots
    uint32_t frames;             // ring slots, a power of two
    std::atomic<uint64_t> start;
    std::atomic<uint64_t> end;
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
    uint32_t channels;
    uint32_t rate;
    std::mutex decodeLock;       // guards `vorbis` and writing the window
    VorbisStream* vorbis;
    PcmWindow window;
    uint32_t keepBehind;         // frames behind the mix the window keeps
    std::atomic<uint64_t> endFrame;  // the length: claimed, then as found
    MixPosition step;            // stream frames per device frame (fixed point)
    std::atomic<bool> playing;   // taken by the mix
    std::atomic<bool> mixReady;  // false while a played stream seeks
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
