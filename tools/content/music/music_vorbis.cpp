// Ogg Vorbis encoding of the track (see music_vorbis.h).
#include "tools/content/music/music_vorbis.h"

#include <cstdio>

#include <vorbis/vorbisenc.h>

#include "tools/content/music/music_dsp.h"

// Serial number of the track's one logical Ogg stream ("HALV").
static const int OGG_SERIAL = 0x48414C56;
// Variable bit-rate quality (about 160 kbit/s for stereo at 44.1 kHz).
static const float VORBIS_QUALITY = 0.6f;
// Frames handed to the encoder per call.
enum { ENCODE_BLOCK = 4096 };

// Writes every page the stream has ready (or, with `flush`, every page it
// holds); false on a write error.
static bool WritePages(FILE* file, ogg_stream_state* stream, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(stream, &page) : ogg_stream_pageout(stream, &page)) {
        if (fwrite(page.header, 1, (size_t)page.header_len, file) != (size_t)page.header_len)
            return false;
        if (fwrite(page.body, 1, (size_t)page.body_len, file) != (size_t)page.body_len)
            return false;
    }
    return true;
}

// Moves every finished block from the encoder into the stream and its pages
// into the file.
static bool DrainEncoder(FILE* file, vorbis_dsp_state* dsp, vorbis_block* block,
                         ogg_stream_state* stream)
{
    bool ok = true;
    while (vorbis_analysis_blockout(dsp, block) == 1) {
        vorbis_analysis(block, nullptr);
        vorbis_bitrate_addblock(block);
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(dsp, &packet)) {
            ogg_stream_packetin(stream, &packet);
            ok = ok && WritePages(file, stream, false);
        }
    }
    return ok;
}

bool EncodeOggVorbis(FILE* file, const float* interleaved, size_t frames)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, MUSIC_RATE, VORBIS_QUALITY) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "Orrin Lumo");
    vorbis_comment_add_tag(&comment, "ARTIST", "Varnek");
    vorbis_comment_add_tag(&comment, "ALBUM", "Halvane");

    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_init(&stream, OGG_SERIAL);

    // The three header packets, flushed so audio starts on a fresh page.
    ogg_packet identification, comments, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    bool ok = WritePages(file, &stream, true);

    for (size_t done = 0; ok && done < frames; done += ENCODE_BLOCK) {
        size_t count = frames - done < (size_t)ENCODE_BLOCK ? frames - done : (size_t)ENCODE_BLOCK;
        float** buffer = vorbis_analysis_buffer(&dsp, (int)count);
        const float* source = interleaved + 2 * done;
        for (size_t i = 0; i < count; ++i) {
            buffer[0][i] = source[2 * i];
            buffer[1][i] = source[2 * i + 1];
        }
        vorbis_analysis_wrote(&dsp, (int)count);
        ok = DrainEncoder(file, &dsp, &block, &stream);
    }
    // End of stream: the encoder writes the last packets and the final page.
    vorbis_analysis_wrote(&dsp, 0);
    ok = DrainEncoder(file, &dsp, &block, &stream) && ok;
    ok = WritePages(file, &stream, true) && ok;

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}
