// A stream's window of decoded audio (see sound_local.h): a ring of frames
// around the stream's position, filled by the decoder as the stream moves
// on, so that a stream holds a few hundred kilobytes however long its file.
//
// Writers (the caller's thread or the feeder, under the decode lock) only
// ever append at the window's end. Before a frame's slot is reused, the
// window's start is moved past the frame that lived there; frames from
// `keep` on are never reused, which is how the mix thread and the spectrum
// can read without a lock.
#include "soundlib/stream_window.h"

#include <cstdlib>
#include <cstring>

#include "soundlib/ogg_pages.h"
#include "soundlib/vorbis_stream.h"

namespace {

// Smallest ring, in frames: about 1.5 s at 44.1 kHz, enough for the mix
// ahead and the spectrum behind it on any device we open.
const uint32_t MIN_WINDOW_FRAMES = 1u << 16;

// Copies `count` decoded frames into the ring from frame `first` on: in up
// to two pieces where the ring wraps, and again into the mirror after the
// ring's end for the ring's first slots.
void StoreFrames(PcmWindow& window, uint32_t channels, float** decoded, uint64_t first, uint32_t count)
{
    float* shifted[VORBIS_MAX_CHANNELS];
    uint32_t done = 0;
    while (done < count) {
        uint32_t slot = (uint32_t)((first + done) & (window.frames - 1));
        uint32_t run = window.frames - slot;
        if (run > count - done)
            run = count - done;
        for (uint32_t c = 0; c < channels; ++c)
            shifted[c] = decoded[c] + done;
        int16_t* target = window.samples + (size_t)slot * channels;
        ConvertToPcm16(shifted, channels, run, target);
        if (slot < WINDOW_MIRROR_FRAMES) {
            uint32_t mirrored = WINDOW_MIRROR_FRAMES - slot < run ? WINDOW_MIRROR_FRAMES - slot : run;
            std::memcpy(window.samples + ((size_t)window.frames + slot) * channels, target,
                        sizeof(int16_t) * channels * mirrored);
        }
        done += run;
    }
}

// Moves `vorbis` to `frame` and empties the window there.
void SeekWindow(SoundStream& stream, uint64_t frame)
{
    SeekVorbisStream(stream.vorbis, frame);
    stream.window.end.store(frame, std::memory_order_release);
    stream.window.start.store(frame, std::memory_order_release);
}

// Takes the end the decoder has met, or the length the file claims as
// measured from its first sample, as the stream's end when it is sooner.
void NoteStreamEnd(SoundStream& stream)
{
    uint64_t end = GetVorbisStreamEnd(stream.vorbis);
    const uint64_t claimed = GetVorbisClaimedFrames(stream.vorbis);
    if (claimed < end)
        end = claimed;
    if (end < stream.endFrame.load(std::memory_order_relaxed))
        stream.endFrame.store(end, std::memory_order_release);
}

} // namespace

bool CreatePcmWindow(SoundStream& stream, uint32_t latencyFrames)
{
    // Behind the mix the window keeps what may still be heard (the
    // device's latency, a mix buffer, the spectrum's frames); ahead of it,
    // at least as much again.
    uint64_t behind =
        (((uint64_t)latencyFrames + 2 * VORBIS_MAX_FRAMES_PER_CALL) * stream.step >> MIX_FRACTION_BITS) +
        2 * WINDOW_MIRROR_FRAMES;
    uint32_t frames = MIN_WINDOW_FRAMES;
    while (frames < 2 * behind + 4 * VORBIS_MAX_FRAMES_PER_CALL)
        frames *= 2;
    stream.keepBehind = (uint32_t)behind;
    stream.window.frames = frames;
    stream.window.samples = (int16_t*)std::calloc((size_t)(frames + WINDOW_MIRROR_FRAMES) * stream.channels, sizeof(int16_t));
    stream.window.start.store(0, std::memory_order_relaxed);
    stream.window.end.store(0, std::memory_order_relaxed);
    return stream.window.samples != nullptr;
}

void FreePcmWindow(SoundStream& stream)
{
    std::free(stream.window.samples);
    stream.window.samples = nullptr;
    stream.window.frames = 0;
    stream.window.start.store(0, std::memory_order_relaxed);
    stream.window.end.store(0, std::memory_order_relaxed);
}

bool FillPcmWindow(SoundStream& stream, uint64_t from, uint64_t to, uint64_t keep, bool maySeek)
{
    PcmWindow& window = stream.window;
    uint64_t end = window.end.load(std::memory_order_relaxed);
    uint64_t start = window.start.load(std::memory_order_relaxed);
    if (maySeek && (from < start || from > end + VORBIS_DECODE_ON_FRAMES)) {
        SeekWindow(stream, from);
        NoteStreamEnd(stream);
        start = end = from;
    }
    const uint64_t streamEnd = stream.endFrame.load(std::memory_order_relaxed);
    if (to > streamEnd)
        to = streamEnd;
    // Room: a slot may be reused once its frame is before `keep`.
    while (end < to && end + VORBIS_MAX_FRAMES_PER_CALL <= keep + window.frames) {
        float** decoded;
        uint64_t first;
        uint32_t count = DecodeVorbisFrames(stream.vorbis, &decoded, &first);
        if (count == 0)
            break;      // the end is noted below
        if (first != end) {
            // Only after a seek the decoder did not land on: start afresh.
            window.start.store(first, std::memory_order_release);
            window.end.store(first, std::memory_order_release);
            start = end = first;
        }
        uint64_t reused = first + count > window.frames ? first + count - window.frames : 0;
        if (reused > start) {
            start = reused;
            window.start.store(start, std::memory_order_release);
        }
        StoreFrames(window, stream.channels, decoded, first, count);
        end = first + count;
        window.end.store(end, std::memory_order_release);
    }
    NoteStreamEnd(stream);
    return from >= start && from < end;
}
