// The sound library's mix and its heard-frame clock: the mix that the
// output backends call, and the frame of a playing stream that is being
// heard now.
//
// The mix adds every playing stream into stereo 16-bit frames at the device
// rate (linear interpolation when a stream's rate differs), reading each
// stream's window of decoded audio, which the feeder keeps filled ahead,
// and records, per stream, where and when it took each buffer, so that the
// caller's thread can tell which frame is being heard without a lock.
#include "soundlib/sound_mix.h"

#include <cstring>
#include <mutex>

#include "soundlib/sound_output.h"

SoundDevice g_soundDevice;
SoundStream g_soundStreams[MAX_STREAMS];

// Frames mixed per pass into the 32-bit accumulator.
enum { MIX_CHUNK_FRAMES = 512 };

void LockMix()
{
    if (g_soundDevice.isNull)
        PumpNullOutput();   // settle the clock before anything changes
    else
        LockDeviceOutput();
}

void UnlockMix()
{
    if (!g_soundDevice.isNull)
        UnlockDeviceOutput();
}

void PumpMix()
{
    if (g_soundDevice.open && g_soundDevice.isNull)
        PumpNullOutput();
}

// Writes a stream's anchor under its sequence count (mix thread, or the
// caller's thread while the mix is locked out).
static void PublishMixAnchor(MixAnchor& anchor, MixPosition position, MixPosition end, int64_t timeNs)
{
    uint32_t sequence = anchor.sequence.load(std::memory_order_relaxed);
    anchor.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    anchor.position.store(position, std::memory_order_relaxed);
    anchor.end.store(end, std::memory_order_relaxed);
    anchor.timeNs.store(timeNs, std::memory_order_relaxed);
    anchor.sequence.store(sequence + 2, std::memory_order_release);
}

void ResetMixAnchor(SoundStream& stream, MixPosition position)
{
    PublishMixAnchor(stream.anchor, position, position, GetSoundClockNs());
}

// The end of a stream as a mix position (its length as known now).
static MixPosition GetMixEnd(const SoundStream& stream)
{
    uint64_t end = stream.endFrame.load(std::memory_order_acquire);
    return (MixPosition)(end < 0xFFFFFFFFu ? end : 0xFFFFFFFFu) << MIX_FRACTION_BITS;
}

// Where a stream's mix position will be after `frameCount` device frames.
static MixPosition AdvanceMixPosition(const SoundStream& stream, MixPosition position, uint32_t frameCount)
{
    const MixPosition end = GetMixEnd(stream);
    MixPosition next = position + stream.step * frameCount;
    return next < end ? next : end;
}

// Reads one sample frame of a stream's window as left and right.
static inline void ReadStereoFrame(const SoundStream& stream, uint64_t frame, int32_t* left, int32_t* right)
{
    const int16_t* s = GetWindowFrame(stream.window, stream.channels, frame);
    *left = s[0];
    *right = stream.channels > 1 ? s[1] : s[0];
}

// Adds `frameCount` frames of one stream into `accumulator` (null: advance
// only) and moves its mix position. Frames the window does not hold (the
// feeder has fallen behind) and frames past the end add silence.
static void MixStream(SoundStream& stream, int32_t* accumulator, uint32_t frameCount)
{
    const MixPosition end = GetMixEnd(stream);
    MixPosition position = stream.mixPosition.load(std::memory_order_relaxed);
    if (!accumulator) {
        stream.mixPosition.store(AdvanceMixPosition(stream, position, frameCount), std::memory_order_release);
        return;
    }
    // The writers leave frames from the mix position on alone, so what is
    // held now stays held while this buffer is mixed.
    const uint64_t heldFrom = stream.window.start.load(std::memory_order_acquire);
    const uint64_t heldTo = stream.window.end.load(std::memory_order_acquire);
    for (uint32_t i = 0; i < frameCount && position < end; ++i, position += stream.step) {
        uint64_t frame = position >> MIX_FRACTION_BITS;
        if (frame < heldFrom || frame >= heldTo)
            continue;
        uint32_t fraction = (uint32_t)position;
        int32_t left, right;
        ReadStereoFrame(stream, frame, &left, &right);
        if (fraction != 0 && frame + 1 < heldTo) {
            int32_t nextLeft, nextRight;
            ReadStereoFrame(stream, frame + 1, &nextLeft, &nextRight);
            // 16 bits of the fraction keep the products in 32 bits.
            int32_t f = (int32_t)(fraction >> 16);
            left += (int32_t)(((int64_t)(nextLeft - left) * f) >> 16);
            right += (int32_t)(((int64_t)(nextRight - right) * f) >> 16);
        }
        accumulator[2 * i] += left;
        accumulator[2 * i + 1] += right;
    }
    stream.mixPosition.store(position < end ? position : end, std::memory_order_release);
}

// When the feeder has fallen behind (a busy machine), decodes what this
// mix call needs itself, if the stream's decode lock is free this instant:
// the mix never waits for it.
static void RefillForMix(SoundStream& stream, uint32_t frameCount)
{
    MixPosition position = stream.mixPosition.load(std::memory_order_relaxed);
    uint64_t need = ((position + stream.step * frameCount) >> MIX_FRACTION_BITS) + 2;
    if (need <= stream.window.end.load(std::memory_order_acquire))
        return;
    std::unique_lock<std::mutex> lock(stream.decodeLock, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    uint64_t mixed = position >> MIX_FRACTION_BITS;
    FillPcmWindow(stream, mixed, need, mixed > stream.keepBehind ? mixed - stream.keepBehind : 0, false);
}

// True when the mix takes this stream now.
static bool IsMixing(const SoundStream& stream)
{
    return stream.used && !stream.decodeOnly && stream.playing.load(std::memory_order_relaxed) &&
           stream.mixReady.load(std::memory_order_acquire);
}

void MixPlayingStreams(int16_t* out, uint32_t frameCount)
{
    const int64_t now = GetSoundClockNs();
    if (!out) {
        // "No sound": these frames have already played by the clock, so the
        // anchor is where they end.
        for (SoundStream& stream : g_soundStreams) {
            if (IsMixing(stream)) {
                MixStream(stream, nullptr, frameCount);
                MixPosition played = stream.mixPosition.load(std::memory_order_relaxed);
                PublishMixAnchor(stream.anchor, played, played, now);
            }
        }
        return;
    }
    // A device: the first frame of this buffer is heard after the latency.
    for (SoundStream& stream : g_soundStreams) {
        if (IsMixing(stream)) {
            RefillForMix(stream, frameCount);
            MixPosition start = stream.mixPosition.load(std::memory_order_relaxed);
            PublishMixAnchor(stream.anchor, start, AdvanceMixPosition(stream, start, frameCount), now);
        }
    }
    int32_t accumulator[MIX_CHUNK_FRAMES * 2];
    for (uint32_t done = 0; done < frameCount;) {
        uint32_t n = frameCount - done < (uint32_t)MIX_CHUNK_FRAMES ? frameCount - done : (uint32_t)MIX_CHUNK_FRAMES;
        std::memset(accumulator, 0, sizeof(int32_t) * 2 * n);
        for (SoundStream& stream : g_soundStreams) {
            if (IsMixing(stream))
                MixStream(stream, accumulator, n);
        }
        int16_t* target = out + 2 * (size_t)done;
        for (uint32_t i = 0; i < 2 * n; ++i) {
            int32_t v = accumulator[i];
            target[i] = (int16_t)(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
        }
        done += n;
    }
}

bool IsMixedByDevice(const SoundStream& stream)
{
    return !g_soundDevice.isNull && !stream.decodeOnly && stream.playing.load(std::memory_order_relaxed);
}

uint32_t GetHeardFrame(SoundStream& stream)
{
    const uint32_t frames = (uint32_t)(GetMixEnd(stream) >> MIX_FRACTION_BITS);
    if (stream.decodeOnly || !stream.playing.load(std::memory_order_relaxed)) {
        uint32_t frame = (uint32_t)(stream.mixPosition.load(std::memory_order_relaxed) >> MIX_FRACTION_BITS);
        return frame < frames ? frame : frames;
    }
    PumpMix();
    MixPosition anchorPosition, mixed;
    int64_t anchorTime;
    for (;;) {
        uint32_t before = stream.anchor.sequence.load(std::memory_order_acquire);
        anchorPosition = stream.anchor.position.load(std::memory_order_relaxed);
        mixed = stream.anchor.end.load(std::memory_order_relaxed);
        anchorTime = stream.anchor.timeNs.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        uint32_t after = stream.anchor.sequence.load(std::memory_order_relaxed);
        if (before == after && (before & 1) == 0)
            break;
    }
    const double fixedOne = 4294967296.0;
    const double step = (double)stream.step / fixedOne;
    const double latency = g_soundDevice.latencyFrames * step;
    const double elapsed = (double)(GetSoundClockNs() - anchorTime) * 1e-9 * stream.rate;
    // Between mix calls the clock moves the position on; it never passes
    // the end of the buffer mixed at the anchor (so the next anchor never
    // sends it back), nor goes back before where play began.
    double heard = (double)anchorPosition / fixedOne - latency + elapsed;
    double mixedLimit = (double)mixed / fixedOne - latency;
    if (heard > mixedLimit)
        heard = mixedLimit;
    double start = (double)stream.startPosition / fixedOne;
    if (heard < start)
        heard = start;
    if (heard >= (double)frames)
        return frames;
    return (uint32_t)heard;
}

