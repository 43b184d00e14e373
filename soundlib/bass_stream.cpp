// The sound library's streams: opening a file, playing, stopping,
// positioning, and the data requests (the spectrum, and raw samples of a
// decoding stream).
#include "soundlib/sound_local.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "soundlib/magnitude_fft.h"

// Largest compressed file a stream reads.
static const long MAX_FILE_BYTES = 1L << 30;
// Request bits of BASS_ChannelGetData's length: any of them set asks for
// something other than raw samples (only BASS_DATA_FFT1024 is served).
static const DWORD DATA_REQUEST_BITS = 0xC0000000u;

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
    return 2ull * stream.pcm.channels;
}

// Reads `length` bytes (0: to the end) of a file from `offset` into a new
// malloc'd block, in chunks until the end, so that anything fopen accepts
// but cannot read (a folder) fails here. Returns BASS_OK or the error code.
static int ReadFileBytes(const char* name, DWORD offset, DWORD length, unsigned char** data, uint32_t* size)
{
    *data = nullptr;
    *size = 0;
    FILE* file = std::fopen(name, "rb");
    if (!file)
        return BASS_ERROR_FILEOPEN;
    if (offset != 0 && std::fseek(file, (long)offset, SEEK_SET) != 0) {
        std::fclose(file);
        return BASS_ERROR_FILEOPEN;
    }
    const uint64_t limit = length != 0 ? length : (uint64_t)MAX_FILE_BYTES + 1;
    uint64_t capacity = 0, used = 0;
    unsigned char* bytes = nullptr;
    int result = BASS_OK;
    while (used < limit) {
        if (used == capacity) {
            uint64_t grown = capacity == 0 ? (1u << 20) : capacity * 2;
            if (grown > limit)
                grown = limit;
            unsigned char* larger = (unsigned char*)std::realloc(bytes, (size_t)grown);
            if (!larger) {
                result = BASS_ERROR_MEM;
                break;
            }
            bytes = larger;
            capacity = grown;
        }
        size_t got = std::fread(bytes + used, 1, (size_t)(capacity - used), file);
        used += got;
        if (got == 0) {
            if (std::ferror(file))
                result = BASS_ERROR_FILEOPEN;
            break;
        }
    }
    std::fclose(file);
    if (result == BASS_OK && used > (uint64_t)MAX_FILE_BYTES)
        result = BASS_ERROR_MEM;
    else if (result == BASS_OK && used == 0)
        result = BASS_ERROR_FILEFORM;   // empty, or the offset is at or past the end
    if (result != BASS_OK) {
        std::free(bytes);
        return result;
    }
    *data = bytes;
    *size = (uint32_t)used;
    return BASS_OK;
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

    PcmTrack pcm;
    int result;
    if (mem) {
        result = DecodeOggVorbis((const unsigned char*)file + offset, length, &pcm);
    } else {
        unsigned char* bytes;
        uint32_t size;
        result = ReadFileBytes((const char*)file, offset, length, &bytes, &size);
        if (result == BASS_OK) {
            result = DecodeOggVorbis(bytes, size, &pcm);
            std::free(bytes);
        }
    }
    if (result != BASS_OK) {
        SetSoundError(result);
        return 0;
    }

    // The slot is not in use, so the mix does not look at it until `used`
    // is set under the lock.
    SoundStream& stream = g_soundStreams[slot];
    std::free(stream.pcm.samples);
    stream.pcm = pcm;
    stream.decodeOnly = (flags & BASS_STREAM_DECODE) != 0;
    stream.step = ((MixPosition)pcm.rate << MIX_FRACTION_BITS) / g_soundDevice.rate;
    stream.playing.store(false, std::memory_order_relaxed);
    stream.mixPosition.store(0, std::memory_order_relaxed);
    stream.startPosition = 0;
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
    LockMix();
    stream->playing.store(false, std::memory_order_relaxed);
    stream->used = false;
    UnlockMix();
    std::free(stream->pcm.samples);
    std::memset(&stream->pcm, 0, sizeof(stream->pcm));
    SetSoundError(BASS_OK);
    return TRUE;
}

// Moves a stream to `frame` and, when `play`, hands it to the mix from there.
static void PlaceStream(SoundStream& stream, uint32_t frame, bool play)
{
    MixPosition position = (MixPosition)frame << MIX_FRACTION_BITS;
    LockMix();
    stream.mixPosition.store(position, std::memory_order_relaxed);
    stream.startPosition = position;
    ResetMixAnchor(stream, position);
    stream.playing.store(play, std::memory_order_release);
    UnlockMix();
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
    return running && GetHeardFrame(*stream) < stream->pcm.frames ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

QWORD BASSCALL BASS_ChannelGetLength(DWORD handle)
{
    SoundStream* stream = FindStreamOrFail(handle);
    if (!stream)
        return ~0ull;
    SetSoundError(BASS_OK);
    return stream->pcm.frames * FrameBytes(*stream);
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
    if (frame > stream->pcm.frames) {
        SetSoundError(BASS_ERROR_POSITION);
        return FALSE;
    }
    PlaceStream(*stream, (uint32_t)frame, stream->playing.load(std::memory_order_relaxed));
    SetSoundError(BASS_OK);
    return TRUE;
}

// Copies raw 16-bit samples of a decoding stream and moves it on.
static DWORD ReadDecodedBytes(SoundStream& stream, void* buffer, DWORD length)
{
    const QWORD frameBytes = FrameBytes(stream);
    uint32_t frame = GetHeardFrame(stream);
    if (frame >= stream.pcm.frames) {
        SetSoundError(BASS_ERROR_ENDED);
        return (DWORD)-1;
    }
    QWORD frames = length / frameBytes;
    if (frames > stream.pcm.frames - frame)
        frames = stream.pcm.frames - frame;
    std::memcpy(buffer, stream.pcm.samples + (size_t)frame * stream.pcm.channels, (size_t)(frames * frameBytes));
    stream.mixPosition.store((MixPosition)(frame + frames) << MIX_FRACTION_BITS, std::memory_order_relaxed);
    SetSoundError(BASS_OK);
    return (DWORD)(frames * frameBytes);
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
        uint32_t frame = GetHeardFrame(*stream);
        if (frame >= stream->pcm.frames) {
            SetSoundError(BASS_ERROR_ENDED);
            return (DWORD)-1;
        }
        const int16_t* pcm = stream->pcm.samples + (size_t)frame * stream->pcm.channels;
        ComputeSpectrum1024(pcm, stream->pcm.frames - frame, stream->pcm.channels, (float*)buffer);
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
