// An Ogg Vorbis stream decoded as it is read (see vorbis_stream.h), through
// stb_vorbis's push interface: we read and check each page ourselves and
// hand the decoder only checked bytes.
//
// Frame numbers: decoding from the start counts the frames that come out.
// A seek restarts the decoder on the page before the last page that ends
// (by its granule position) at or before the target; once the decoder has
// decoded that page's last packet it knows the exact place of its output,
// which fixes the numbering, and frames are counted again from there. (The
// decoder's own guess of its place before that can be off by the
// difference of its block sizes.) The restart is the decoder's own: after
// stb_vorbis_flush_pushdata it takes the first whole page it is given to
// find its place and decodes from the page after it, so a restart hands it
// one page more in front.
// Seeking needs to know where pages start: every page read is remembered
// (offset, granule position, sequence), and a seek past the pages read so
// far reads on, page by page, until it finds the target.
#include "soundlib/vorbis_stream.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "soundlib/bass.h"
#include "soundlib/ogg_pages.h"

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_PULLDATA_API
#define STB_VORBIS_NO_STDIO
#include "stb_vorbis.h"

namespace {

// The decoder makes every allocation inside one block that we own: no leak
// on its error paths, and a setup header cannot make it take more than the
// largest block.
const int FIRST_DECODER_BYTES = 256 << 10;
const int MAX_DECODER_BYTES = 8 << 20;
// Checked bytes waiting for the decoder: a packet that spans more than this
// ends the audio (no encoder writes packets near that size).
const size_t MAX_INPUT_BYTES = 1u << 20;
// The headers are read in steps of this size until they are whole.
const size_t HEADER_READ_BYTES = 64u << 10;
// What the last bytes of the file hold: at least one whole page.
const size_t TAIL_BYTES = (64u << 10) + OGG_MAX_PAGE_BYTES;
const uint64_t NO_GRANULE = ~0ull;
const uint64_t UNKNOWN_END = ~0ull;

// Where one audio page is, and what is needed to restart there.
struct OggPageMark {
    uint64_t offset;
    uint64_t granule;         // NO_GRANULE: no packet ends on the page
    uint32_t sequence;
    bool continued;           // begins with the rest of a packet
    bool leavesPacketOpen;    // its last packet goes on to the next page
};

} // namespace

struct VorbisStream {
    SoundSource source;
    VorbisFormat format;
    OggPageChain headerChain;   // page order after the header pages

    stb_vorbis* decoder;
    char* decoderMemory;
    int decoderBytes;

    // Checked page bytes the decoder has not consumed yet.
    std::vector<uint8_t> input;
    size_t consumed;
    uint64_t nextPage;          // source offset of the next page to read
    OggPageChain chain;         // order of the pages read from nextPage
    bool inputEnded;            // no usable page follows

    // Every audio page read so far, in order, and where reading them stopped.
    std::vector<OggPageMark> pages;
    uint64_t indexedEnd;
    OggPageChain indexChain;
    bool indexComplete;         // the last page, or a page that failed, was met
    std::vector<uint8_t> scratch;

    bool numbered;              // nextFrame is known
    uint64_t nextFrame;         // number of the next frame to come out
    uint64_t skipTo;            // frames before it are dropped (a seek's target)
    int seekPage;               // the page whose end fixes the numbering after a seek
    uint64_t fedBytes;          // page bytes given to the decoder since the seek
    uint64_t consumedBytes;     // of them, taken by the decoder
    uint64_t placedAfter;       // consumedBytes from which the decoder knows its place
    uint64_t endFrame;
    bool ended;
    float* frameStart[VORBIS_MAX_CHANNELS];   // the channels handed out
};

void ConvertToPcm16(float* const* channels, uint32_t channelCount, uint32_t frames, int16_t* out)
{
    // Damaged or crafted data can decode to anything, NaN included, so every
    // value is clamped before it becomes an integer.
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

namespace {

// Reads the page at `offset` and appends it to `into` when it is whole, its
// CRC matches and it follows `chain` (which then moves on). Pages met for
// the first time are added to the index.
bool ReadCheckedPage(VorbisStream& vs, uint64_t offset, OggPageChain& chain, std::vector<uint8_t>& into)
{
    uint8_t header[OGG_PAGE_HEADER_BYTES + 255];
    if (ReadSoundSource(vs.source, offset, header, OGG_PAGE_HEADER_BYTES) != OGG_PAGE_HEADER_BYTES ||
        std::memcmp(header, "OggS", 4) != 0)
        return false;
    const size_t lacingBytes = header[26];
    if (ReadSoundSource(vs.source, offset + OGG_PAGE_HEADER_BYTES, header + OGG_PAGE_HEADER_BYTES, lacingBytes) != lacingBytes)
        return false;
    size_t bodyBytes = 0;
    for (size_t i = 0; i < lacingBytes; ++i)
        bodyBytes += header[OGG_PAGE_HEADER_BYTES + i];
    const size_t headerBytes = OGG_PAGE_HEADER_BYTES + lacingBytes;
    const size_t start = into.size();
    into.resize(start + headerBytes + bodyBytes);
    std::memcpy(&into[start], header, headerBytes);
    OggPage page;
    OggPageChain followed = chain;
    if (ReadSoundSource(vs.source, offset + headerBytes, &into[start + headerBytes], bodyBytes) != bodyBytes ||
        ReadOggPage(&into[start], headerBytes + bodyBytes, &page) != OGG_PAGE_OK || !FollowOggPage(followed, page)) {
        into.resize(start);
        return false;
    }
    chain = followed;
    if (offset == vs.indexedEnd && !vs.indexComplete) {
        OggPageMark mark = {offset, page.granule, page.sequence, (page.flags & OGG_FLAG_CONTINUED) != 0,
                            followed.packetOpen};
        vs.pages.push_back(mark);
        vs.indexedEnd = offset + headerBytes + bodyBytes;
        vs.indexChain = followed;
        vs.indexComplete = followed.ended;
    }
    return true;
}

// Reads the index on by one page; false when no page can be added.
bool ExtendPageIndex(VorbisStream& vs)
{
    if (vs.indexComplete)
        return false;
    vs.scratch.clear();
    OggPageChain chain = vs.indexChain;
    if (!ReadCheckedPage(vs, vs.indexedEnd, chain, vs.scratch)) {
        vs.indexComplete = true;
        return false;
    }
    return true;
}

// Moves the next page into the decoder's input; false when none follows.
bool FeedNextPage(VorbisStream& vs)
{
    if (vs.inputEnded)
        return false;
    if (vs.consumed > 0 && vs.consumed * 2 >= vs.input.size()) {
        vs.input.erase(vs.input.begin(), vs.input.begin() + (long)vs.consumed);
        vs.consumed = 0;
    }
    const size_t before = vs.input.size();
    if (before - vs.consumed > MAX_INPUT_BYTES || !ReadCheckedPage(vs, vs.nextPage, vs.chain, vs.input)) {
        vs.inputEnded = true;
        return false;
    }
    const size_t pageBytes = vs.input.size() - before;
    if (!vs.numbered && vs.placedAfter == NO_GRANULE && vs.nextPage == vs.pages[(size_t)vs.seekPage].offset) {
        // The page whose end fixes the numbering: the decoder knows its
        // place once it has taken the page's last whole packet.
        const uint8_t* page = &vs.input[before];
        const uint32_t segments = page[26];
        uint64_t end = OGG_PAGE_HEADER_BYTES + segments, packetEnd = end;
        for (uint32_t i = 0; i < segments; ++i) {
            end += page[OGG_PAGE_HEADER_BYTES + i];
            if (page[OGG_PAGE_HEADER_BYTES + i] < 255)
                packetEnd = end;
        }
        vs.placedAfter = vs.fedBytes + packetEnd;
    }
    vs.fedBytes += pageBytes;
    vs.nextPage += pageBytes;
    return true;
}

// Opens the decoder on the header pages (read again from the source), in
// the stream's memory block, growing the block until the setup fits.
// BASS_OK, or the error code.
int StartDecoder(VorbisStream& vs)
{
    vs.input.resize(vs.format.headerBytes);
    vs.consumed = 0;
    if (ReadSoundSource(vs.source, 0, vs.input.data(), vs.input.size()) != vs.input.size())
        return BASS_ERROR_FILEFORM;
    for (;;) {
        if (!vs.decoderMemory) {
            vs.decoderMemory = (char*)std::malloc((size_t)vs.decoderBytes);
            if (!vs.decoderMemory)
                return BASS_ERROR_MEM;
        }
        stb_vorbis_alloc block = {vs.decoderMemory, vs.decoderBytes};
        int used = 0, error = 0;
        vs.decoder = stb_vorbis_open_pushdata(vs.input.data(), (int)vs.input.size(), &used, &error, &block);
        if (vs.decoder) {
            // Keep what follows the setup header; let go of a large header
            // region (comments can hold pictures).
            vs.input.erase(vs.input.begin(), vs.input.begin() + used);
            if (vs.input.capacity() > 4 * (size_t)OGG_MAX_PAGE_BYTES) {
                vs.input.shrink_to_fit();
                vs.input.reserve(2 * OGG_MAX_PAGE_BYTES);
            }
            break;
        }
        if (error != VORBIS_outofmem || vs.decoderBytes >= MAX_DECODER_BYTES)
            return error == VORBIS_outofmem ? BASS_ERROR_MEM : BASS_ERROR_FILEFORM;
        std::free(vs.decoderMemory);
        vs.decoderMemory = nullptr;
        vs.decoderBytes *= 2;
    }
    vs.nextPage = vs.format.headerBytes;
    vs.chain = vs.headerChain;
    vs.inputEnded = false;
    vs.numbered = true;
    vs.nextFrame = 0;
    vs.seekPage = -1;
    return BASS_OK;
}

// Reads the headers from the start of the source, in growing steps, until
// they are whole (BASS_OK) or cannot be (BASS_ERROR_FILEFORM).
int ReadHeaders(VorbisStream& vs)
{
    std::vector<uint8_t> bytes;
    for (size_t want = HEADER_READ_BYTES;; want *= 2) {
        size_t have = bytes.size();
        bytes.resize(want);
        bytes.resize(have + ReadSoundSource(vs.source, have, &bytes[have], want - have));
        VorbisHeaderCheck check = CheckVorbisHeaders(bytes.data(), bytes.size(), &vs.format, &vs.headerChain);
        if (check == VORBIS_HEADERS_OK)
            return BASS_OK;
        if (check == VORBIS_HEADERS_BAD || bytes.size() < want)
            return BASS_ERROR_FILEFORM;
    }
}

// The length the file claims: the granule position of its last page (read
// from the end of the file), or of the last page that can be reached when
// the end is damaged.
uint64_t ReadClaimedFrames(VorbisStream& vs)
{
    const uint64_t audioBytes = vs.source.size - vs.format.headerBytes;
    const size_t window = (size_t)(audioBytes < TAIL_BYTES ? audioBytes : TAIL_BYTES);
    std::vector<uint8_t> tail(window);
    const uint64_t tailStart = vs.source.size - window;
    tail.resize(ReadSoundSource(vs.source, tailStart, tail.data(), window));
    for (size_t at = tail.size(); at-- > 0;) {
        OggPage page;
        if (tail[at] == 'O' && ReadOggPage(&tail[at], tail.size() - at, &page) == OGG_PAGE_OK &&
            page.serial == vs.headerChain.serial && page.granule != NO_GRANULE)
            return page.granule;
    }
    while (ExtendPageIndex(vs)) {
    }
    for (size_t i = vs.pages.size(); i-- > 0;) {
        if (vs.pages[i].granule != NO_GRANULE)
            return vs.pages[i].granule;
    }
    return 0;
}

// Ends the audio where decoding stands; a stream that has not found its
// place since a seek ends where the last page that could be read ends.
void EndAudio(VorbisStream& vs)
{
    vs.ended = true;
    if (vs.numbered) {
        vs.endFrame = vs.nextFrame;
        return;
    }
    uint64_t end = 0;
    for (size_t i = vs.pages.size(); i-- > 0;) {
        if (vs.pages[i].granule != NO_GRANULE) {
            end = vs.pages[i].granule;
            break;
        }
    }
    vs.endFrame = end < vs.skipTo ? end : vs.skipTo;
}

// Restarts the decoder just before `target`: on the page before the latest
// page (never later than page `before`) that ends at or before the target
// with a whole packet, or at the start of the stream when there is none.
void RestartBefore(VorbisStream& vs, uint64_t target, int before)
{
    int chosen = -1;
    for (int i = before; i >= 2; --i) {
        const OggPageMark& mark = vs.pages[(size_t)i];
        if (mark.granule != NO_GRANULE && mark.granule <= target) {
            chosen = i;
            break;
        }
    }
    vs.skipTo = target;
    vs.ended = false;
    if (chosen < 0) {
        if (StartDecoder(vs) != BASS_OK)
            EndAudio(vs);
        return;
    }
    const OggPageMark& restart = vs.pages[(size_t)chosen - 2];
    stb_vorbis_flush_pushdata(vs.decoder);
    vs.input.clear();
    vs.consumed = 0;
    vs.nextPage = restart.offset;
    vs.chain.started = true;
    vs.chain.ended = false;
    vs.chain.serial = vs.headerChain.serial;
    vs.chain.nextSequence = restart.sequence;
    vs.chain.packetOpen = restart.continued;
    vs.inputEnded = false;
    vs.numbered = false;
    vs.seekPage = chosen;
    vs.fedBytes = 0;
    vs.consumedBytes = 0;
    vs.placedAfter = NO_GRANULE;
}

// Numbers a frame of `samples` that the decoder just returned; false when
// its place is not known yet (it is dropped).
bool NumberFrame(VorbisStream& vs, uint32_t samples)
{
    if (vs.numbered)
        return true;
    int offset = stb_vorbis_get_sample_offset(vs.decoder);
    if (vs.consumedBytes < vs.placedAfter || offset == -1 || (uint32_t)offset < samples)
        return false;
    vs.nextFrame = (uint32_t)offset - samples;
    vs.numbered = true;
    if (vs.nextFrame > vs.skipTo) {
        // Granule positions that do not add up: try a page further back,
        // in the end the start.
        RestartBefore(vs, vs.skipTo, vs.seekPage - 1);
        return false;
    }
    return true;
}

} // namespace

int OpenVorbisStream(SoundSource& source, VorbisStream** stream, VorbisStreamInfo* info)
{
    *stream = nullptr;
    VorbisStream* vs = new VorbisStream();
    vs->source = source;
    std::memset(&source, 0, sizeof(source));
    vs->decoderBytes = FIRST_DECODER_BYTES;
    vs->endFrame = UNKNOWN_END;
    int result = ReadHeaders(*vs);
    if (result == BASS_OK) {
        // Room for the pages a file of this size usually has (one per 4 KB)
        // and the input of a few pages, so that playing allocates nothing.
        vs->pages.reserve((size_t)(vs->source.size / 4096 < 16384 ? vs->source.size / 4096 + 16 : 16384));
        vs->input.reserve(2 * OGG_MAX_PAGE_BYTES);
        vs->indexedEnd = vs->format.headerBytes;
        vs->indexChain = vs->headerChain;
        vs->indexComplete = vs->headerChain.ended;
        result = StartDecoder(*vs);
    }
    if (result != BASS_OK) {
        CloseVorbisStream(vs);
        return result;
    }
    info->channels = vs->format.channels;
    info->rate = vs->format.rate;
    info->claimedFrames = ReadClaimedFrames(*vs);
    *stream = vs;
    return BASS_OK;
}

void CloseVorbisStream(VorbisStream* stream)
{
    if (!stream)
        return;
    if (stream->decoder)
        stb_vorbis_close(stream->decoder);
    std::free(stream->decoderMemory);
    CloseSoundSource(stream->source);
    delete stream;
}

uint32_t DecodeVorbisFrames(VorbisStream* stream, float*** channels, uint64_t* first)
{
    VorbisStream& vs = *stream;
    while (!vs.ended) {
        float** output = nullptr;
        int samples = 0;
        const int available = (int)(vs.input.size() - vs.consumed);
        int used = stb_vorbis_decode_frame_pushdata(vs.decoder, vs.input.data() + vs.consumed, available,
                                                    nullptr, &output, &samples);
        int error = stb_vorbis_get_error(vs.decoder);
        if (used == 0 && samples == 0) {
            // A whole packet is not there yet.
            if ((error != VORBIS__no_error && error != VORBIS_need_more_data) || !FeedNextPage(vs))
                EndAudio(vs);
            continue;
        }
        used = used < available ? used : available;
        vs.consumed += (size_t)used;
        vs.consumedBytes += (uint64_t)used;
        if (error != VORBIS__no_error) {
            // A packet the decoder could not take: damage ends the audio.
            EndAudio(vs);
            continue;
        }
        if (samples <= 0 || !NumberFrame(vs, (uint32_t)samples))
            continue;
        uint64_t start = vs.nextFrame;
        uint32_t count = (uint32_t)samples;
        vs.nextFrame += count;
        if (vs.nextFrame <= vs.skipTo)
            continue;
        // The frame that holds a seek's target begins at the target.
        uint32_t skip = start < vs.skipTo ? (uint32_t)(vs.skipTo - start) : 0;
        for (uint32_t c = 0; c < vs.format.channels; ++c)
            vs.frameStart[c] = output[c] + skip;
        *channels = vs.frameStart;
        *first = start + skip;
        return count - skip;
    }
    return 0;
}

void SeekVorbisStream(VorbisStream* stream, uint64_t frame)
{
    VorbisStream& vs = *stream;
    if (vs.endFrame != UNKNOWN_END && frame >= vs.endFrame) {
        vs.ended = true;
        return;
    }
    if (vs.numbered && frame >= vs.nextFrame && frame - vs.nextFrame <= VORBIS_DECODE_ON_FRAMES && !vs.ended) {
        vs.skipTo = frame;
        return;
    }
    // Find the pages around the target, reading on as far as needed.
    while ((vs.pages.empty() || vs.pages.back().granule == NO_GRANULE || vs.pages.back().granule < frame) &&
           ExtendPageIndex(vs)) {
    }
    RestartBefore(vs, frame, (int)vs.pages.size() - 1);
}

uint64_t GetVorbisStreamEnd(const VorbisStream* stream)
{
    return stream->endFrame;
}
