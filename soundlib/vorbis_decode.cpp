// Ogg Vorbis decoding for the sound library: a whole file image in memory
// to 16-bit interleaved samples, through stb_vorbis (compiled once in
// stb_vorbis_unit.c).
//
// A stream holds its whole decoded file: 180 s of 44.1 kHz stereo is
// 31.8 MB, decoded in about a quarter of a second here. That keeps the mix
// thread and the spectrum request free of decoder state and locks: both only
// read a finished array, and any position can be read at once.
#include "soundlib/sound_local.h"

#include <cstdlib>
#include <cstring>

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_PUSHDATA_API
#define STB_VORBIS_NO_STDIO
#include "stb_vorbis.h"

namespace {

// Upper bound of the decoded audio one stream may hold (about 50 minutes of
// 44.1 kHz stereo); longer files are refused rather than exhausting memory.
const uint64_t MAX_PCM_BYTES = 512ull << 20;
// Frames decoded per call into the growing buffer.
const int DECODE_CHUNK_FRAMES = 4096;

// The error code for a decoder failure at open.
int MapVorbisError(int error)
{
    return error == VORBIS_outofmem ? BASS_ERROR_MEM : BASS_ERROR_FILEFORM;
}

} // namespace

// Decodes until the data ends; damage found on the way ends the audio there.
int DecodeOggVorbis(const unsigned char* data, uint32_t size, PcmTrack* pcm)
{
    std::memset(pcm, 0, sizeof(*pcm));
    if (size == 0 || size > 0x7FFFFFFFu)
        return BASS_ERROR_FILEFORM;
    int error = 0;
    stb_vorbis* decoder = stb_vorbis_open_memory(data, (int)size, &error, nullptr);
    if (!decoder)
        return MapVorbisError(error);
    stb_vorbis_info info = stb_vorbis_get_info(decoder);
    if (info.channels < 1 || info.sample_rate == 0) {
        stb_vorbis_close(decoder);
        return BASS_ERROR_FILEFORM;
    }
    const uint32_t channels = (uint32_t)info.channels;
    const uint64_t frameBytes = 2ull * channels;
    const uint64_t maxFrames = MAX_PCM_BYTES / frameBytes;

    // The length recorded in the last page sizes the buffer; a damaged file
    // may claim anything, so it is only a hint and the buffer still grows.
    uint64_t capacity = stb_vorbis_stream_length_in_samples(decoder);
    if (capacity == 0 || capacity > maxFrames)
        capacity = (uint64_t)info.sample_rate * 60;
    capacity += DECODE_CHUNK_FRAMES;
    if (capacity > maxFrames)
        capacity = maxFrames;
    int16_t* samples = (int16_t*)std::malloc(capacity * frameBytes);
    if (!samples) {
        stb_vorbis_close(decoder);
        return BASS_ERROR_MEM;
    }

    uint64_t frames = 0;
    for (;;) {
        if (frames + DECODE_CHUNK_FRAMES > capacity) {
            if (capacity >= maxFrames) {
                std::free(samples);
                stb_vorbis_close(decoder);
                return BASS_ERROR_MEM;
            }
            uint64_t grown = capacity * 2 < maxFrames ? capacity * 2 : maxFrames;
            int16_t* larger = (int16_t*)std::realloc(samples, grown * frameBytes);
            if (!larger) {
                std::free(samples);
                stb_vorbis_close(decoder);
                return BASS_ERROR_MEM;
            }
            samples = larger;
            capacity = grown;
        }
        int got = stb_vorbis_get_samples_short_interleaved(
            decoder, (int)channels, samples + frames * channels,
            (int)(DECODE_CHUNK_FRAMES * channels));
        if (got <= 0)
            break;
        frames += (uint64_t)got;
    }
    stb_vorbis_close(decoder);

    // Headers without a single decodable frame: nothing to play.
    if (frames == 0) {
        std::free(samples);
        return BASS_ERROR_FILEFORM;
    }
    if (capacity - frames > (uint64_t)info.sample_rate) {
        int16_t* fitted = (int16_t*)std::realloc(samples, frames * frameBytes);
        if (fitted)
            samples = fitted;
    }
    pcm->samples = samples;
    pcm->frames = (uint32_t)frames;
    pcm->channels = channels;
    pcm->rate = info.sample_rate;
    return BASS_OK;
}
