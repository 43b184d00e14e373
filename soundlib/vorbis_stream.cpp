// An Ogg Vorbis stream decoded as it is read (see vorbis_stream.h), through
// stb_vorbis's push interface: we read and check each page ourselves and
// hand the decoder only checked bytes.
//
// Frame numbers count from the stream's first sample: decoding from the
// start counts the frames that come out. The file's granule positions are
// claims only: they are taken relative to the first page's (the base,
// learned when decoding from the start passes that page), and a claim is
// used only until one turns out wrong. Decoding that knows its numbering
// records, for every page it passes, where the page's last whole packet
// ends (its learned position), so that a later jump restarts at the nearest
// known page before the target rather than at the start, whatever the
// granule positions say.
//
// A seek restarts the decoder a page before the latest known page at or
// before the target; the numbering is fixed at the first page end with a
// known position whose packet the decoder decoded in full. A numbering
// taken from a claim is checked at the next claimed page before any frame
// is handed out; a claim that does not hold, or a numbering that lands past
// the target, restarts further back. The restart is the decoder's own:
// after stb_vorbis_flush_pushdata it takes the first whole page it is given
// to find its place and decodes from the page after it, so a restart hands
// it one page more in front.
// Seeking needs to know where pages start: every page read is remembered
// (offset, granule position, sequence), and a seek past the pages read so
// far reads on, page by page, until it finds the target.
#include "soundlib/vorbis_stream.h"

#include <algorithm>
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
// largest block, which is the headers' own limit.
const int FIRST_DECODER_BYTES = 256 << 10;
const int MAX_DECODER_BYTES = VORBIS_MAX_HEADER_BYTES;
// Checked bytes waiting for the decoder: a packet that spans more than this
// ends the audio (no encoder writes packets near that size).
const size_t MAX_INPUT_BYTES = 1u << 20;
// The headers are read in steps of this size until they are whole.
const size_t HEADER_READ_BYTES = 64u << 10;
// What the last bytes of the file hold: at least one whole page.
const size_t TAIL_BYTES = (64u << 10) + OGG_MAX_PAGE_BYTES;
const uint64_t NO_GRANULE = ~0ull;
const uint64_t UNKNOWN_END = ~0ull;
const uint64_t UNKNOWN_FRAME = ~0ull;
// A claimed position beyond this (about 72 days at 192 kHz) is no claim.
const uint64_t MAX_CLAIMED_FRAME = 1ull << 40;
// Most frames the open keeps from decoding the first audio page (which
// tells where the stream's first sample is), so that they need not be
// decoded again; a first page that holds more is decoded again instead.
const uint64_t MAX_PENDING_FRAMES = 32768;

// Where one audio page is, and what is needed to restart there.
struct OggPageMark {
    uint64_t offset;
    uint64_t granule;         // NO_GRANULE: no packet ends on the page
    uint32_t sequence;
    bool continued;           // begins with the rest of a packet
    bool leavesPacketOpen;    // its last packet goes on to the next page
    uint64_t packetEnd;       // source offset where its last whole packet ends; 0: none ends on it
    uint64_t frame;           // learned: frames before that packet's end; UNKNOWN_FRAME until then
};

} // namespace

struct VorbisStream {
    SoundSource source;
    VorbisFormat format;
    OggPageChain headerChain;   // page order after the header pages
    std::vector<uint8_t> decoderHeaders;   // the headers as the decoder is given them

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

    // The granule position of the stream's first sample, once learned.
    bool baseKnown;
    uint64_t granuleBase;
    bool claimsBroken;          // a claim turned out wrong: only learned positions count
    uint64_t claimedEnd;        // the last page's granule position (the length claimed)

    bool numbered;              // nextFrame is known
    bool learning;              // the numbering is sure: page positions are recorded
    bool verifying;             // numbered by a claim that the next claim must confirm
    uint64_t nextFrame;         // number of the next frame to come out
    uint64_t skipTo;            // frames before it are dropped (a seek's target)
    size_t startPage;           // the page decoding began on after a seek
    size_t numberPage;          // the page whose end numbered the stream
    uint64_t chainOffset;       // source offset of the decoder's first input byte
    uint64_t consumedBytes;     // input bytes the decoder has taken since then
    size_t watchPage;           // next page whose packet end decoding passes
    uint64_t decodedFrames;     // all the decoder ever gave out, dropped frames included
    // The frames [0, pendingFrames) the open decoded, per channel, handed
    // out before the decoder's own from pendingAt on; the decoder stands at
    // pendingFrames until they are all out (or dropped by a jump).
    std::vector<float> pending;
    uint64_t pendingFrames;
    uint64_t pendingAt;
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
        uint64_t packetEnd = 0, end = offset + headerBytes;
        for (uint32_t i = 0; i < page.segmentCount; ++i) {
            end += page.lacing[i];
            if (page.lacing[i] < 255)
                packetEnd = end;
        }
        OggPageMark mark = {offset, page.granule, page.sequence, (page.flags & OGG_FLAG_CONTINUED) != 0,
                            followed.packetOpen, packetEnd, UNKNOWN_FRAME};
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
    vs.nextPage += vs.input.size() - before;
    return true;
}

// Opens the decoder on the headers (with the comments left out, see
// CheckVorbisHeaders), in the stream's memory block, growing the block
// until the setup fits. BASS_OK, or the error code.
int StartDecoder(VorbisStream& vs)
{
    vs.input = vs.decoderHeaders;
    vs.consumed = 0;
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
            // The audio pages follow in the file after its own headers.
            vs.chainOffset = vs.format.headerBytes;
            vs.input.clear();
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
    vs.learning = true;
    vs.verifying = false;
    vs.nextFrame = 0;
    vs.consumedBytes = 0;
    vs.watchPage = 0;
    vs.pendingFrames = vs.pendingAt = 0;
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
        VorbisHeaderCheck check =
            CheckVorbisHeaders(bytes.data(), bytes.size(), &vs.format, &vs.headerChain, &vs.decoderHeaders);
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

// Where page `i`'s last whole packet ends, in frames from the stream's
// first sample: learned, else claimed by its granule position while claims
// are trusted; UNKNOWN_FRAME when neither.
uint64_t GetPagePosition(const VorbisStream& vs, size_t i, bool* claimed)
{
    const OggPageMark& mark = vs.pages[i];
    *claimed = false;
    if (mark.frame != UNKNOWN_FRAME)
        return mark.frame;
    if (vs.claimsBroken || !vs.baseKnown || mark.granule == NO_GRANULE || mark.packetEnd == 0)
        return UNKNOWN_FRAME;
    const uint64_t claim = mark.granule - vs.granuleBase;   // wraps with the granule positions
    if (claim > MAX_CLAIMED_FRAME)
        return UNKNOWN_FRAME;
    *claimed = true;
    return claim;
}

// Ends the audio where decoding stands; a stream that has not found its
// place since a seek ends where the last page that could be read ends.
void EndAudio(VorbisStream& vs)
{
    vs.ended = true;
    if (vs.numbered && !vs.verifying) {
        vs.endFrame = vs.nextFrame;
        return;
    }
    uint64_t end = 0;
    for (size_t i = vs.pages.size(); i-- > 0;) {
        bool claimed;
        uint64_t position = GetPagePosition(vs, i, &claimed);
        if (position != UNKNOWN_FRAME) {
            end = position;
            break;
        }
    }
    vs.endFrame = end < vs.skipTo ? end : vs.skipTo;
}

// The page to restart decoding on for `target`, looking only at pages up
// to `limit`: a page before the latest learned position at or before the
// target, or, while claims are trusted, before the last two claimed ones
// (the second checks the first) when they lie beyond it. -1: the start.
// *known receives the position the choice counts on (0 for the start).
long ChooseRestartPage(const VorbisStream& vs, uint64_t target, long limit, uint64_t* known)
{
    long learned = -1, claimedLast = -1, claimedBefore = -1;
    for (long i = limit; i >= 0; --i) {
        bool claimed;
        uint64_t position = GetPagePosition(vs, (size_t)i, &claimed);
        if (position == UNKNOWN_FRAME || position > target)
            continue;
        if (!claimed) {
            learned = i;
            break;
        }
        if (claimedLast < 0)
            claimedLast = i;
        else if (claimedBefore < 0)
            claimedBefore = i;
    }
    bool claimed;
    const long chosen = claimedBefore > learned ? claimedBefore : learned;
    *known = chosen > 0 ? GetPagePosition(vs, (size_t)chosen, &claimed) : 0;
    return chosen > 0 ? chosen - 1 : -1;
}

// Restarts the decoder for `target` (see ChooseRestartPage): from the
// start, or on a page after handing the decoder the page before it to find
// its place on.
void RestartBefore(VorbisStream& vs, uint64_t target, long limit)
{
    uint64_t known;
    const long start = ChooseRestartPage(vs, target, limit, &known);
    vs.skipTo = target;
    vs.ended = false;
    if (start < 1) {
        if (StartDecoder(vs) != BASS_OK)
            EndAudio(vs);
        return;
    }
    const OggPageMark& found = vs.pages[(size_t)start - 1];
    stb_vorbis_flush_pushdata(vs.decoder);
    vs.input.clear();
    vs.consumed = 0;
    vs.nextPage = found.offset;
    vs.chain.started = true;
    vs.chain.ended = false;
    vs.chain.serial = vs.headerChain.serial;
    vs.chain.nextSequence = found.sequence;
    vs.chain.packetOpen = found.continued;
    vs.inputEnded = false;
    vs.numbered = false;
    vs.learning = false;
    vs.verifying = false;
    vs.startPage = (size_t)start;
    vs.chainOffset = found.offset;
    vs.consumedBytes = 0;
    vs.watchPage = (size_t)start;
    vs.pendingFrames = vs.pendingAt = 0;
    std::vector<float>().swap(vs.pending);
}

// At the end of page `i`'s last whole packet, which gave `samples` frames:
// numbers the stream there if it can, checks or learns the page's position.
// False when it restarted the decoder instead.
bool PassPageEnd(VorbisStream& vs, size_t i, uint32_t samples)
{
    OggPageMark& mark = vs.pages[i];
    bool claimed;
    const uint64_t position = GetPagePosition(vs, i, &claimed);
    if (!vs.numbered) {
        // Only a packet decoded in full (not the one that primes the
        // decoder, nor the rest of one begun before the restart) ends where
        // the page says.
        if (samples == 0 || position == UNKNOWN_FRAME || position < samples)
            return true;
        vs.numbered = true;
        vs.learning = !claimed;
        vs.verifying = claimed;
        vs.numberPage = i;
        vs.nextFrame = position - samples;
        if (vs.nextFrame > vs.skipTo || (claimed && position > vs.skipTo)) {
            // Past the target (or a claim that cannot be checked before
            // it): further back.
            RestartBefore(vs, vs.skipTo, (long)vs.startPage - 1);
            return false;
        }
        return true;
    }
    const uint64_t after = vs.nextFrame + samples;
    if (vs.verifying && claimed) {
        if (position != after) {
            vs.claimsBroken = true;
            RestartBefore(vs, vs.skipTo, (long)vs.numberPage);
            return false;
        }
        vs.verifying = false;
        vs.learning = true;
    }
    if (vs.learning) {
        mark.frame = after;
        if (!vs.baseKnown && mark.granule != NO_GRANULE) {
            // The first page that gives a granule position, decoded from the start.
            vs.granuleBase = mark.granule - after;
            vs.baseKnown = true;
        }
    }
    return true;
}

// Notes the page ends the decoder's last packet reached; false when that
// restarted the decoder.
bool PassPageEnds(VorbisStream& vs, uint32_t samples)
{
    const uint64_t at = vs.chainOffset + vs.consumedBytes;
    for (; vs.watchPage < vs.pages.size(); ++vs.watchPage) {
        const uint64_t end = vs.pages[vs.watchPage].packetEnd;
        if (end > at)
            break;
        if (end == at && !PassPageEnd(vs, vs.watchPage, samples))
            return false;
    }
    return true;
}

} // namespace

// Learns the granule position of the stream's first sample where the first
// audio page gives one: decodes that page, then starts the decoder afresh.
// The frames it decodes are kept to be handed out first.
static void LearnGranuleBase(VorbisStream& vs)
{
    const uint32_t channelCount = vs.format.channels;
    vs.pending.resize((size_t)MAX_PENDING_FRAMES * channelCount);
    uint64_t held = 0;
    while (!vs.baseKnown && !vs.ended && vs.watchPage == 0) {
        float** channels;
        uint64_t first;
        const uint32_t count = DecodeVorbisFrames(&vs, &channels, &first);
        if (count == 0)
            break;
        if (first + count > MAX_PENDING_FRAMES) {
            // A long first page: decode it again when asked.
            std::vector<float>().swap(vs.pending);
            vs.ended = false;
            if (StartDecoder(vs) != BASS_OK)
                EndAudio(vs);
            return;
        }
        for (uint32_t c = 0; c < channelCount; ++c)
            std::memcpy(&vs.pending[c * MAX_PENDING_FRAMES + first], channels[c], sizeof(float) * count);
        held = first + count;
    }
    vs.pendingFrames = held;
    vs.pendingAt = 0;
}

// Hands out the next of the frames the open kept, from skipTo on; 0 when
// none are left (their memory is let go then).
static uint32_t TakePendingFrames(VorbisStream& vs, float*** channels, uint64_t* first)
{
    const uint64_t from = vs.pendingAt > vs.skipTo ? vs.pendingAt : vs.skipTo;
    if (from >= vs.pendingFrames) {
        vs.pendingAt = vs.pendingFrames;
        std::vector<float>().swap(vs.pending);
        return 0;
    }
    const uint64_t count = std::min<uint64_t>(vs.pendingFrames - from, VORBIS_MAX_FRAMES_PER_CALL);
    for (uint32_t c = 0; c < vs.format.channels; ++c)
        vs.frameStart[c] = &vs.pending[c * MAX_PENDING_FRAMES + from];
    *channels = vs.frameStart;
    *first = from;
    vs.pendingAt = from + count;
    return (uint32_t)count;
}

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
    LearnGranuleBase(*vs);
    vs->claimedEnd = ReadClaimedFrames(*vs);
    info->claimedFrames = GetVorbisClaimedFrames(vs);
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
    if (vs.pendingAt < vs.pendingFrames) {
        const uint32_t count = TakePendingFrames(vs, channels, first);
        if (count > 0)
            return count;
    }
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
        vs.decodedFrames += samples > 0 ? (uint64_t)samples : 0;
        if (!PassPageEnds(vs, samples > 0 ? (uint32_t)samples : 0) || samples <= 0 || !vs.numbered)
            continue;
        if (vs.verifying && vs.nextFrame + (uint32_t)samples > vs.skipTo) {
            // The claim that numbered the stream is not checked before the
            // target: start from a pair of claims further back.
            RestartBefore(vs, vs.skipTo, (long)vs.startPage - 1);
            continue;
        }
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
    if (vs.pendingAt < vs.pendingFrames) {
        // The frames the open kept serve any frame they hold; past them the
        // decoder goes on from where they end.
        if (frame < vs.pendingFrames) {
            vs.pendingAt = frame;
            vs.skipTo = frame;
            return;
        }
        vs.pendingAt = vs.pendingFrames;
        std::vector<float>().swap(vs.pending);
    }
    if (vs.endFrame != UNKNOWN_END && frame >= vs.endFrame) {
        vs.ended = true;
        return;
    }
    // Find the pages around the target, reading on as far as claims help.
    bool claimed = true;
    while (!vs.claimsBroken && vs.baseKnown &&
           (vs.pages.empty() || GetPagePosition(vs, vs.pages.size() - 1, &claimed) == UNKNOWN_FRAME ||
            GetPagePosition(vs, vs.pages.size() - 1, &claimed) < frame) &&
           ExtendPageIndex(vs)) {
    }
    // Decoding on costs no more than restarting at a known page that is
    // not ahead of where decoding stands.
    if (vs.numbered && !vs.verifying && !vs.ended && frame >= vs.nextFrame) {
        uint64_t known;
        ChooseRestartPage(vs, frame, (long)vs.pages.size() - 1, &known);
        if (frame - vs.nextFrame <= VORBIS_DECODE_ON_FRAMES || known <= vs.nextFrame) {
            vs.skipTo = frame;
            return;
        }
    }
    RestartBefore(vs, frame, (long)vs.pages.size() - 1);
}

uint64_t GetVorbisStreamEnd(const VorbisStream* stream)
{
    return stream->endFrame;
}

uint64_t GetVorbisDecodedFrames(const VorbisStream* stream)
{
    return stream->decodedFrames;
}

uint64_t GetVorbisClaimedFrames(const VorbisStream* stream)
{
    // A first page whose granule position is damaged gives a base that makes
    // no sense of the last page's: the last page's claim then stands as it is.
    const uint64_t fromFirstSample = stream->claimedEnd - stream->granuleBase;
    return stream->baseKnown && fromFirstSample <= MAX_CLAIMED_FRAME ? fromFirstSample : stream->claimedEnd;
}
