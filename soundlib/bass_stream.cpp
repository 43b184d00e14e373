// The sound library's streams: opening a file, playing, stopping,
// positioning, and the data requests (the spectrum, and raw samples of a
// decoding stream). Each stream decodes as it goes into its window
// (stream_window.cpp); a request for frames the window holds decodes
// nothing.
#include "soundlib/bass_stream.h"

#include <cstring>

#include "soundlib/magnitude_fft.h"
#include "soundlib/sound_error.h"
#include "soundlib/sound_mix.h"
#include "soundlib/stream_feeder.h"
#include "soundlib/vorbis_stream.h"

// Request bits of BASS_ChannelGetData's length: any of them set asks for
// something other than raw samples (only BASS_DATA_FFT1024 is served).
static const DWORD DATA_REQUEST_BITS = 0xC0000000u;
// Frames decoded when a stream opens or jumps: the spectrum's and the first
// mix buffers' worth.
static const uint64_t FIRST_FRAMES = 8192;

// Finds the open stream a handle names: the low byte is slot + 1, the rest
// the slot's serial at creation, so a freed handle stays invalid.
static SoundStream* FindStream(DWORD handle)
{
    uint32_t slot = (handle & 0xFFu) - 1u;
    if (!g_soundDevice.open || slot >= (uint32_t)MAX_STREAMS)
        return nullptr;
    SoundStream& stream = g_soundStreams[slot];
    if (!stream.used || stream.serial != (handle >> 8))
        return nullptr;
    return &stream;
}

// The stream a handle names, or null with BASS_ERROR_HANDLE recorded.
static SoundStream* FindStreamOrFail(DWORD handle)
{
    SoundStream* stream = FindStream(handle);
    if (!stream)
        SetSoundError(BASS_ERROR_HANDLE);
    return stream;
}

// Bytes per sample frame as positions count them: 16 bits per channel.
static QWORD FrameBytes(const SoundStream& stream)
{
    return 2ull * stream.channels;
}

// The stream's length in frames as known now.
static uint64_t GetEndFrame(const SoundStream& stream)
{
    return stream.endFrame.load(std::memory_order_acquire);
}

// Frees a slot's decoder and window; the slot's handles are dead after it.
static void ReleaseStreamSlot(SoundStream& stream)
{
    CloseVorbisStream(stream.vorbis);
    stream.vorbis = nullptr;
    FreePcmWindow(stream);
}

void ReleaseStream(SoundStream& stream)
{
    std::lock_guard<std::mutex> guard(stream.decodeLock);
    LockMix();
    stream.playing.store(false, std::memory_order_relaxed);
    stream.used = false;
    UnlockMix();
    ReleaseStreamSlot(stream);
}

HSTREAM BASSCALL BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags)
{
    if (!g_soundDevice.open) {
        SetSoundError(BASS_ERROR_INIT);
        return 0;
    }
    if (!file || (mem && length == 0)) {
        SetSoundError(BASS_ERROR_ILLPARAM);
        return 0;
    }
    int slot = -1;
    for (int i = 0; i < MAX_STREAMS && slot < 0; ++i) {
        if (!g_soundStreams[i].used)
            slot = i;
    }
    if (slot < 0) {
        SetSoundError(BASS_ERROR_MEM);
        return 0;
    }

    SoundSource source;
    int result = mem ? CopyMemorySource((const unsigned char*)file + offset, length, &source)
                     : OpenFileSource((const char*)file, offset, length, &source);
    VorbisStream* vorbis = nullptr;
    VorbisStreamInfo info;
    if (result == BASS_OK)
        result = OpenVorbisStream(source, &vorbis, &info);
    if (result != BASS_OK) {
        SetSoundError(result);
        return 0;
    }

    // The slot is not in use, so neither the mix nor the feeder looks at it
    // until `used` is set.
    SoundStream& stream = g_soundStreams[slot];
    std::lock_guard<std::mutex> guard(stream.decodeLock);
    stream.vorbis = vorbis;
    stream.channels = info.channels;
    stream.rate = info.rate;
    stream.decodeOnly = (flags & BASS_STREAM_DECODE) != 0;
    stream.step = ((MixPosition)info.rate << MIX_FRACTION_BITS) / g_soundDevice.rate;
    stream.endFrame.store(info.claimedFrames < 0xFFFFFFFFu ? info.claimedFrames : 0xFFFFFFFFu);
    stream.playing.store(false, std::memory_order_relaxed);
    stream.mixReady.store(true, std::memory_order_relaxed);
    stream.mixPosition.store(0, std::memory_order_relaxed);
    stream.startPosition = 0;
    result = CreatePcmWindow(stream, g_soundDevice.latencyFrames) ? BASS_OK : BASS_ERROR_MEM;
    // Headers without a single decodable frame: nothing to play.
    if (result == BASS_OK && !FillPcmWindow(stream, 0, FIRST_FRAMES, 0, true))
        result = BASS_ERROR_FILEFORM;
    if (result != BASS_OK) {
        ReleaseStreamSlot(stream);
        SetSoundError(result);
        return 0;
    }
    stream.serial = (stream.serial + 1) & 0xFFFFFFu;
    if (stream.serial == 0)
        stream.serial = 1;
    LockMix();
    stream.used = true;
    UnlockMix();
    SetSoundError(BASS_OK);
    return (stream.serial << 8) | (DWORD)(slot + 1);
}

BOOL BASSCALL BASS_StreamFree(HSTREAM handle)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return FALSE;
    ReleaseStream(*stream);
    SetSoundError(BASS_OK);
    return TRUE;
}

// Moves a stream to `frame` and, when `play`, hands it to the mix from
// there. A frame the window holds costs no decoding; any other is sought
// (the mix skips a played stream meanwhile). False when the audio turns
// out to end before `frame`.
static bool PlaceStream(SoundStream& stream, uint32_t frame, bool play)
{
    if (stream.decodeOnly) {
        // Nothing but the caller reads a decoding stream: a held frame is
        // taken as it is, another one is decoded now, so that a position
        // past the audio's real end is refused here.
        if (frame < GetEndFrame(stream) && (frame < stream.window.start.load(std::memory_order_relaxed) ||
                                            frame >= stream.window.end.load(std::memory_order_relaxed))) {
            std::lock_guard<std::mutex> guard(stream.decodeLock);
            FillPcmWindow(stream, frame, frame + SPECTRUM_FFT_SIZE, frame, true);
            if (frame > GetEndFrame(stream))
                return false;
        }
        stream.mixPosition.store((MixPosition)frame << MIX_FRACTION_BITS, std::memory_order_relaxed);
        return true;
    }
    std::lock_guard<std::mutex> guard(stream.decodeLock);
    const uint64_t held = stream.window.end.load(std::memory_order_relaxed);
    if (frame < stream.window.start.load(std::memory_order_relaxed) || (frame >= held && frame < GetEndFrame(stream))) {
        if (IsMixedByDevice(stream)) {
            LockMix();
            stream.mixReady.store(false, std::memory_order_release);
            UnlockMix();
        }
        FillPcmWindow(stream, frame, frame + FIRST_FRAMES, frame, true);
        if (frame > GetEndFrame(stream)) {
            // The audio ends before `frame`: back to where the stream was.
            uint64_t was = stream.mixPosition.load(std::memory_order_relaxed) >> MIX_FRACTION_BITS;
            FillPcmWindow(stream, was, was + FIRST_FRAMES, was, true);
            stream.mixReady.store(true, std::memory_order_release);
            return false;
        }
    }
    MixPosition position = (MixPosition)frame << MIX_FRACTION_BITS;
    LockMix();
    stream.mixPosition.store(position, std::memory_order_relaxed);
    stream.startPosition = position;
    ResetMixAnchor(stream, position);
    stream.playing.store(play, std::memory_order_release);
    stream.mixReady.store(true, std::memory_order_release);
    UnlockMix();
    if (play)
        WakeStreamFeeder();
    return true;
}

BOOL BASSCALL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return FALSE;
    if (stream->decodeOnly) {
        SetSoundError(BASS_ERROR_DECODE);
        return FALSE;
    }
    if (restart)
        PlaceStream(*stream, 0, true);
    else if (!stream->playing.load(std::memory_order_relaxed))
        PlaceStream(*stream, GetHeardFrame(*stream), true);
    SetSoundError(BASS_OK);
    return TRUE;
}

BOOL BASSCALL BASS_ChannelStop(DWORD handle)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return FALSE;
    // Keeps the frame being heard, so that a later play without restart
    // resumes there.
    if (!stream->decodeOnly && stream->playing.load(std::memory_order_relaxed))
        PlaceStream(*stream, GetHeardFrame(*stream), false);
    SetSoundError(BASS_OK);
    return TRUE;
}

DWORD BASSCALL BASS_ChannelIsActive(DWORD handle)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return BASS_ACTIVE_STOPPED;
    SetSoundError(BASS_OK);
    // A decoding stream is active until its end; a played one while it plays
    // and its end has not been heard yet.
    bool running = stream->decodeOnly || stream->playing.load(std::memory_order_relaxed);
    return running && GetHeardFrame(*stream) < GetEndFrame(*stream) ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

QWORD BASSCALL BASS_ChannelGetLength(DWORD handle)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return ~0ull;
    SetSoundError(BASS_OK);
    return GetEndFrame(*stream) * FrameBytes(*stream);
}

QWORD BASSCALL BASS_ChannelGetPosition(DWORD handle)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return ~0ull;
    SetSoundError(BASS_OK);
    return GetHeardFrame(*stream) * FrameBytes(*stream);
}

BOOL BASSCALL BASS_ChannelSetPosition(DWORD handle, QWORD pos)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return FALSE;
    QWORD frame = pos / FrameBytes(*stream);
    if (frame > GetEndFrame(*stream) ||
        !PlaceStream(*stream, (uint32_t)frame, stream->playing.load(std::memory_order_relaxed))) {
        SetSoundError(BASS_ERROR_POSITION);
        return FALSE;
    }
    SetSoundError(BASS_OK);
    return TRUE;
}

// Makes the `count` frames from `frame` on readable in the window, as far
// as the audio goes; returns how many of them are held from `frame` on.
// For a stream a device plays, the caller holds the decode lock already.
static uint64_t HoldFrames(SoundStream& stream, uint64_t frame, uint64_t count)
{
    PcmWindow& window = stream.window;
    uint64_t end = GetEndFrame(stream);
    uint64_t want = frame + count < end ? frame + count : end;
    if (frame < window.start.load(std::memory_order_acquire) || want > window.end.load(std::memory_order_acquire)) {
        if (IsMixedByDevice(stream)) {
            // The feeder and the mix share this window: keep what the mix
            // may still read, and never seek under it.
            uint64_t mixed = stream.mixPosition.load(std::memory_order_acquire) >> MIX_FRACTION_BITS;
            uint64_t keep = mixed > stream.keepBehind ? mixed - stream.keepBehind : 0;
            FillPcmWindow(stream, frame, want, keep < frame ? keep : frame, false);
        } else {
            std::lock_guard<std::mutex> guard(stream.decodeLock);
            FillPcmWindow(stream, frame, want, frame, true);
        }
        end = GetEndFrame(stream);
    }
    uint64_t start = window.start.load(std::memory_order_acquire);
    uint64_t held = window.end.load(std::memory_order_acquire);
    if (held > end)
        held = end;
    if (frame < start || frame >= held)
        return 0;
    return held - frame < count ? held - frame : count;
}

// Copies raw 16-bit samples of a decoding stream and moves it on.
static DWORD ReadDecodedBytes(SoundStream& stream, void* buffer, DWORD length)
{
    const QWORD frameBytes = FrameBytes(stream);
    uint64_t frame = GetHeardFrame(stream);
    if (frame >= GetEndFrame(stream)) {
        SetSoundError(BASS_ERROR_ENDED);
        return (DWORD)-1;
    }
    const uint64_t wanted = length / frameBytes;
    uint64_t copied = 0;
    while (copied < wanted) {
        // Half a window at a time, so the decoder always has room.
        uint64_t run = HoldFrames(stream, frame, wanted - copied < stream.window.frames / 2 ? wanted - copied : stream.window.frames / 2);
        uint64_t slot = frame & (stream.window.frames - 1);
        if (run > stream.window.frames - slot)
            run = stream.window.frames - slot;
        if (run == 0)
            break;
        std::memcpy((char*)buffer + copied * frameBytes, GetWindowFrame(stream.window, stream.channels, frame), (size_t)(run * frameBytes));
        frame += run;
        copied += run;
    }
    stream.mixPosition.store((MixPosition)frame << MIX_FRACTION_BITS, std::memory_order_relaxed);
    SetSoundError(BASS_OK);
    return (DWORD)(copied * frameBytes);
}

DWORD BASSCALL BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return (DWORD)-1;
    if (!buffer) {
        SetSoundError(BASS_ERROR_ILLPARAM);
        return (DWORD)-1;
    }
    if (length == BASS_DATA_FFT1024) {
        // While a device plays the stream, the feeder writes its window: the
        // decode lock keeps it off for the instant the spectrum reads. (It
        // holds the lock only for a few packets at a time; the mix never
        // takes it but on the spot.)
        std::unique_lock<std::mutex> guard(stream->decodeLock, std::defer_lock);
        if (IsMixedByDevice(*stream))
            guard.lock();
        uint32_t frame = GetHeardFrame(*stream);
        uint64_t held = frame < GetEndFrame(*stream) ? HoldFrames(*stream, frame, SPECTRUM_FFT_SIZE) : 0;
        if (held == 0) {
            SetSoundError(BASS_ERROR_ENDED);
            return (DWORD)-1;
        }
        ComputeSpectrum1024(GetWindowFrame(stream->window, stream->channels, frame), (uint32_t)held, stream->channels,
                            (float*)buffer);
        SetSoundError(BASS_OK);
        return SPECTRUM_BINS * sizeof(float);
    }
    if ((length & DATA_REQUEST_BITS) != 0) {
        SetSoundError(BASS_ERROR_ILLPARAM);
        return (DWORD)-1;
    }
    if (!stream->decodeOnly) {
        SetSoundError(BASS_ERROR_NOTAVAIL);
        return (DWORD)-1;
    }
    return ReadDecodedBytes(*stream, buffer, length);
}
