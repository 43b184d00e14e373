// Ogg Vorbis decoding for the sound library: a whole file image in memory
// to 16-bit interleaved samples, through stb_vorbis (compiled once in
// stb_vorbis_unit.c).
//
// The decoder never sees an unchecked byte: the headers must pass
// CheckVorbisHeaders, and only the run of sound pages that follows them
// (the CRC matches, the pages follow each other) is handed over, so damage
// after the headers ends the audio at the first damaged page.
//
// A stream holds its whole decoded file: 180 s of 44.1 kHz stereo is
// 31.8 MB, decoded in about a quarter of a second here. That keeps the mix
// thread and the spectrum request free of decoder state and locks: both only
// read a finished array, and any position can be read at once.
#include "soundlib/sound_local.h"

#include <cstdlib>
#include <cstring>

#include "soundlib/ogg_pages.h"

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_PUSHDATA_API
#define STB_VORBIS_NO_STDIO
#include "stb_vorbis.h"

namespace {

// Upper bound of the decoded audio one stream may hold (about 50 minutes of
// 44.1 kHz stereo); longer files are refused rather than exhausting memory.
const uint64_t MAX_PCM_BYTES = 512ull << 20;
// Room kept free in the growing buffer: the longest frame the decoder
// returns (half of the largest block, 8192 samples).
const int DECODE_CHUNK_FRAMES = 4096;
// Seconds of audio the buffer starts with; it doubles as the audio goes on,
// so it is never more than twice what was decoded.
const uint32_t FIRST_BUFFER_SECONDS = 8;

// The decoder's memory: it makes every allocation inside one block that we
// own and free, which also bounds what a setup header can make it take.
const int FIRST_DECODER_BYTES = 256 << 10;
const int MAX_DECODER_BYTES = 8 << 20;

// The error code for a decoder failure at open.
int MapVorbisError(int error)
{
    return error == VORBIS_outofmem ? BASS_ERROR_MEM : BASS_ERROR_FILEFORM;
}

// A decoder over `size` checked bytes at `data` in a memory block of its
// own (*memory, to be freed after stb_vorbis_close), grown until the setup
// header fits. Null with the error code in *result when it cannot open.
stb_vorbis* OpenVorbisDecoder(const unsigned char* data, size_t size, void** memory, int* result)
{
    for (int bytes = FIRST_DECODER_BYTES; bytes <= MAX_DECODER_BYTES; bytes *= 2) {
        stb_vorbis_alloc block = {(char*)std::malloc((size_t)bytes), bytes};
        if (!block.alloc_buffer)
            break;
        int error = 0;
        stb_vorbis* decoder = stb_vorbis_open_memory(data, (int)size, &error, &block);
        if (decoder) {
            *memory = block.alloc_buffer;
            return decoder;
        }
        std::free(block.alloc_buffer);
        if (error != VORBIS_outofmem) {
            *result = MapVorbisError(error);
            return nullptr;
        }
    }
    *result = BASS_ERROR_MEM;
    return nullptr;
}

// Bytes from the start of `data` through the last page of the unbroken run
// of sound pages that follows the headers.
size_t MeasureSoundPages(const unsigned char* data, size_t size, const VorbisFormat& format, OggPageChain chain)
{
    size_t end = format.headerBytes;
    OggPage page;
    while (end < size && ReadOggPage(data + end, size - end, &page) == OGG_PAGE_OK && FollowOggPage(chain, page))
        end += page.headerBytes + page.bodyBytes;
    return end;
}

} // namespace

void ConvertToPcm16(float* const* channels, uint32_t channelCount, uint32_t frames, int16_t* out)
{
    // The decoder's floats are full scale at 1.0; damaged or crafted data
    // can decode to anything, NaN included, so every value is clamped
    // before it becomes an integer.
    for (uint32_t c = 0; c < channelCount; ++c) {
        const float* in = channels[c];
        int16_t* target = out + c;
        for (uint32_t i = 0; i < frames; ++i, target += channelCount) {
            float v = in[i] * 32768.0f;
            if (!(v > -32768.0f))
                v = -32768.0f;
            else if (v > 32767.0f)
                v = 32767.0f;
            *target = (int16_t)(v < 0.0f ? v - 0.5f : v + 0.5f);
        }
    }
}

// Decodes until the sound pages end.
int DecodeOggVorbis(const unsigned char* data, uint32_t size, PcmTrack* pcm)
{
    std::memset(pcm, 0, sizeof(*pcm));
    if (size == 0 || size > 0x7FFFFFFFu)
        return BASS_ERROR_FILEFORM;
    VorbisFormat format;
    OggPageChain chain;
    if (CheckVorbisHeaders(data, size, &format, &chain) != VORBIS_HEADERS_OK)
        return BASS_ERROR_FILEFORM;
    const size_t usable = MeasureSoundPages(data, size, format, chain);

    void* decoderMemory = nullptr;
    int result = BASS_OK;
    stb_vorbis* decoder = OpenVorbisDecoder(data, usable, &decoderMemory, &result);
    if (!decoder)
        return result;
    const uint32_t channels = format.channels;
    const uint64_t frameBytes = 2ull * channels;
    const uint64_t maxFrames = MAX_PCM_BYTES / frameBytes;

    // What the file claims about its length is not looked at: the buffer
    // grows with what is really decoded.
    uint64_t capacity = (uint64_t)format.rate * FIRST_BUFFER_SECONDS + DECODE_CHUNK_FRAMES;
    int16_t* samples = (int16_t*)std::malloc(capacity * frameBytes);
    if (!samples) {
        stb_vorbis_close(decoder);
        std::free(decoderMemory);
        return BASS_ERROR_MEM;
    }

    uint64_t frames = 0;
    for (;;) {
        if (frames + DECODE_CHUNK_FRAMES > capacity) {
            if (capacity >= maxFrames) {
                result = BASS_ERROR_MEM;
                break;
            }
            uint64_t grown = capacity * 2 < maxFrames ? capacity * 2 : maxFrames;
            int16_t* larger = (int16_t*)std::realloc(samples, grown * frameBytes);
            if (!larger) {
                result = BASS_ERROR_MEM;
                break;
            }
            samples = larger;
            capacity = grown;
        }
        float** output = nullptr;
        int got = stb_vorbis_get_frame_float(decoder, nullptr, &output);
        if (got <= 0)
            break;
        ConvertToPcm16(output, channels, (uint32_t)got, samples + frames * channels);
        frames += (uint64_t)got;
    }
    stb_vorbis_close(decoder);
    std::free(decoderMemory);

    // Headers without a single decodable frame: nothing to play.
    if (result == BASS_OK && frames == 0)
        result = BASS_ERROR_FILEFORM;
    if (result != BASS_OK) {
        std::free(samples);
        return result;
    }
    if (capacity - frames > (uint64_t)format.rate) {
        int16_t* fitted = (int16_t*)std::realloc(samples, frames * frameBytes);
        if (fitted)
            samples = fitted;
    }
    pcm->samples = samples;
    pcm->frames = (uint32_t)frames;
    pcm->channels = channels;
    pcm->rate = format.rate;
    return BASS_OK;
}
