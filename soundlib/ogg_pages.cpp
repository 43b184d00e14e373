// Checks of Ogg pages and Vorbis headers (see ogg_pages.h).
//
// The decoder trusts the lengths it reads: a comment count larger than its
// packet makes it allocate and write past what it read, so every length
// field of the first two headers is held against its packet here, and the
// decoder only ever sees pages whose CRC matches.
#include "soundlib/ogg_pages.h"

#include <algorithm>
#include <cstring>

#include "soundlib/vorbis_setup.h"

namespace {

// Lookup tables of the Ogg CRC32: entries[0] is the classic one-byte
// table; entries[k][i] is the CRC of byte i followed by k zero bytes, which
// lets eight bytes be taken per step (a far jump checks megabytes of pages).
struct OggCrcTable {
    uint32_t entries[8][256];
    OggCrcTable()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            entries[0][i] = r;
        }
        for (int k = 1; k < 8; ++k) {
            for (uint32_t i = 0; i < 256; ++i) {
                uint32_t previous = entries[k - 1][i];
                entries[k][i] = (previous << 8) ^ entries[0][previous >> 24];
            }
        }
    }
};

const OggCrcTable s_oggCrc;

uint32_t ReadLittle32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}

uint64_t ReadLittle64(const uint8_t* p)
{
    return ReadLittle32(p) | ((uint64_t)ReadLittle32(p + 4) << 32);
}

// True when `packet` starts with the header type byte and "vorbis".
bool IsVorbisHeader(const std::vector<uint8_t>& packet, uint8_t type)
{
    return packet.size() >= 7 && packet[0] == type && std::memcmp(&packet[1], "vorbis", 6) == 0;
}

// The identification header: 30 bytes of fixed fields.
bool ReadIdentificationHeader(const std::vector<uint8_t>& packet, VorbisFormat* format)
{
    if (packet.size() != 30 || !IsVorbisHeader(packet, 1))
        return false;
    const uint8_t* p = packet.data();
    uint32_t version = ReadLittle32(p + 7);
    uint32_t channels = p[11];
    uint32_t rate = ReadLittle32(p + 12);
    uint32_t smallBlock = p[28] & 15, largeBlock = p[28] >> 4;
    if (version != 0 || channels < 1 || channels > VORBIS_MAX_CHANNELS)
        return false;
    if (rate < 1000 || rate > 384000)
        return false;
    if (smallBlock < 6 || largeBlock > 13 || smallBlock > largeBlock || (p[29] & 1) == 0)
        return false;
    format->channels = channels;
    format->rate = rate;
    return true;
}

// Steps `at` over one string with a 32-bit little-endian length in front;
// false when the length or the string runs past `size`.
bool SkipLengthPrefixed(const uint8_t* p, size_t size, size_t* at)
{
    if (size - *at < 4)
        return false;
    uint32_t bytes = ReadLittle32(p + *at);
    *at += 4;
    if (bytes > size - *at)
        return false;
    *at += bytes;
    return true;
}

// The comment header: a vendor string, a comment count and that many
// strings, each with a 32-bit length, then the framing bit. Every length
// must fit in what is left of the packet.
bool CheckCommentHeader(const std::vector<uint8_t>& packet)
{
    if (!IsVorbisHeader(packet, 3))
        return false;
    const uint8_t* p = packet.data();
    size_t at = 7, size = packet.size();
    if (!SkipLengthPrefixed(p, size, &at))   // the vendor string
        return false;
    if (size - at < 4)
        return false;
    uint32_t count = ReadLittle32(p + at);
    at += 4;
    if (count > (size - at) / 4)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (!SkipLengthPrefixed(p, size, &at))
            return false;
    }
    return at < size && (p[at] & 1) != 0;
}

// Appends one page of `serial` holding the lacing values `lacing` and the
// bytes `body`, with its CRC: granule position 0 (headers), sequence
// `sequence`, flags `flags`.
void AppendOggPage(std::vector<uint8_t>& out, uint32_t serial, uint32_t sequence, uint8_t flags,
                   const std::vector<uint8_t>& lacing, const uint8_t* body, size_t bodyBytes)
{
    const size_t start = out.size();
    const uint8_t fixed[OGG_PAGE_HEADER_BYTES] = {
        'O', 'g', 'g', 'S', 0, flags, 0, 0, 0, 0, 0, 0, 0, 0,
        (uint8_t)serial, (uint8_t)(serial >> 8), (uint8_t)(serial >> 16), (uint8_t)(serial >> 24),
        (uint8_t)sequence, (uint8_t)(sequence >> 8), (uint8_t)(sequence >> 16), (uint8_t)(sequence >> 24),
        0, 0, 0, 0, (uint8_t)lacing.size()};
    out.insert(out.end(), fixed, fixed + OGG_PAGE_HEADER_BYTES);
    out.insert(out.end(), lacing.begin(), lacing.end());
    out.insert(out.end(), body, body + bodyBytes);
    uint32_t crc = UpdateOggCrc(0, &out[start], out.size() - start);
    for (int i = 0; i < 4; ++i)
        out[start + 22 + i] = (uint8_t)(crc >> (8 * i));
}

// The headers as the decoder is given them (see CheckVorbisHeaders): the
// identification header alone on the first page, an empty comment header
// and the setup header on the pages after it.
void PageDecoderHeaders(const std::vector<uint8_t>& identification, const std::vector<uint8_t>& setup,
                        uint32_t serial, std::vector<uint8_t>& out)
{
    static const uint8_t EMPTY_COMMENTS[16] = {3, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0, 0, 0, 0, 0, 1};
    out.clear();
    AppendOggPage(out, serial, 0, OGG_FLAG_FIRST, std::vector<uint8_t>(1, (uint8_t)identification.size()),
                  identification.data(), identification.size());
    std::vector<uint8_t> body(EMPTY_COMMENTS, EMPTY_COMMENTS + sizeof EMPTY_COMMENTS);
    body.insert(body.end(), setup.begin(), setup.end());
    std::vector<uint8_t> lacing(1, (uint8_t)sizeof EMPTY_COMMENTS);
    for (size_t left = setup.size();; left -= 255) {
        lacing.push_back((uint8_t)(left < 255 ? left : 255));
        if (left < 255)
            break;
    }
    uint32_t sequence = 1;
    size_t bodyAt = 0;
    for (size_t from = 0; from < lacing.size(); from += 255, ++sequence) {
        std::vector<uint8_t> pageLacing(lacing.begin() + (long)from,
                                        lacing.begin() + (long)std::min(lacing.size(), from + 255));
        size_t bodyBytes = 0;
        for (uint8_t value : pageLacing)
            bodyBytes += value;
        AppendOggPage(out, serial, sequence, from > 0 ? OGG_FLAG_CONTINUED : 0, pageLacing, &body[bodyAt], bodyBytes);
        bodyAt += bodyBytes;
    }
}

} // namespace

uint32_t UpdateOggCrc(uint32_t crc, const uint8_t* data, size_t size)
{
    const uint32_t(*t)[256] = s_oggCrc.entries;
    for (; size >= 8; size -= 8, data += 8) {
        crc ^= (uint32_t)data[0] << 24 | (uint32_t)data[1] << 16 | (uint32_t)data[2] << 8 | data[3];
        crc = t[7][crc >> 24] ^ t[6][(crc >> 16) & 0xFF] ^ t[5][(crc >> 8) & 0xFF] ^ t[4][crc & 0xFF] ^
              t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    }
    for (size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ t[0][(crc >> 24) ^ data[i]];
    return crc;
}

OggPageCheck ReadOggPage(const uint8_t* data, size_t available, OggPage* page)
{
    if (available < 4)
        return available == 0 || std::memcmp(data, "OggS", available) == 0 ? OGG_PAGE_SHORT : OGG_PAGE_BAD;
    if (std::memcmp(data, "OggS", 4) != 0)
        return OGG_PAGE_BAD;
    if (available < OGG_PAGE_HEADER_BYTES)
        return OGG_PAGE_SHORT;
    if (data[4] != 0 || (data[5] & ~7u) != 0)
        return OGG_PAGE_BAD;
    page->flags = data[5];
    page->granule = ReadLittle64(data + 6);
    page->serial = ReadLittle32(data + 14);
    page->sequence = ReadLittle32(data + 18);
    page->segmentCount = data[26];
    page->headerBytes = OGG_PAGE_HEADER_BYTES + page->segmentCount;
    if (available < page->headerBytes)
        return OGG_PAGE_SHORT;
    page->lacing = data + OGG_PAGE_HEADER_BYTES;
    page->bodyBytes = 0;
    for (uint32_t i = 0; i < page->segmentCount; ++i)
        page->bodyBytes += page->lacing[i];
    if (available - page->headerBytes < page->bodyBytes)
        return OGG_PAGE_SHORT;
    static const uint8_t zeros[4] = {0, 0, 0, 0};
    uint32_t crc = UpdateOggCrc(0, data, 22);
    crc = UpdateOggCrc(crc, zeros, 4);
    crc = UpdateOggCrc(crc, data + 26, page->headerBytes - 26 + page->bodyBytes);
    return crc == ReadLittle32(data + 22) ? OGG_PAGE_OK : OGG_PAGE_BAD;
}

bool FollowOggPage(OggPageChain& chain, const OggPage& page)
{
    if (chain.ended)
        return false;
    const bool continued = (page.flags & OGG_FLAG_CONTINUED) != 0;
    if (!chain.started) {
        if ((page.flags & OGG_FLAG_FIRST) == 0 || continued)
            return false;
        chain.started = true;
        chain.serial = page.serial;
    } else if (page.serial != chain.serial || page.sequence != chain.nextSequence ||
               (page.flags & OGG_FLAG_FIRST) != 0 || continued != chain.packetOpen) {
        return false;
    }
    chain.nextSequence = page.sequence + 1;
    if (page.segmentCount > 0)
        chain.packetOpen = page.lacing[page.segmentCount - 1] == 255;
    chain.ended = (page.flags & OGG_FLAG_LAST) != 0;
    return true;
}

VorbisHeaderCheck CheckVorbisHeaders(const uint8_t* data, size_t size, VorbisFormat* format, OggPageChain* chain,
                                     std::vector<uint8_t>* decoderHeaders)
{
    OggPageChain followed = {};
    std::vector<uint8_t> packets[3];
    int complete = 0;   // header packets finished so far
    size_t offset = 0;
    while (complete < 3) {
        if (offset > VORBIS_MAX_HEADER_BYTES)
            return VORBIS_HEADERS_BAD;
        OggPage page;
        OggPageCheck check = ReadOggPage(data + offset, size - offset, &page);
        if (check != OGG_PAGE_OK)
            return check == OGG_PAGE_SHORT ? VORBIS_HEADERS_SHORT : VORBIS_HEADERS_BAD;
        if (!FollowOggPage(followed, page))
            return VORBIS_HEADERS_BAD;
        // The identification header is alone on the first page.
        if (offset == 0 && (page.segmentCount != 1 || page.lacing[0] != 30))
            return VORBIS_HEADERS_BAD;
        const uint8_t* body = data + offset + page.headerBytes;
        for (uint32_t i = 0; i < page.segmentCount && complete < 3; ++i) {
            packets[complete].insert(packets[complete].end(), body, body + page.lacing[i]);
            body += page.lacing[i];
            if (page.lacing[i] < 255) {
                // Each header is judged as soon as it is whole.
                bool sound = complete == 0 ? ReadIdentificationHeader(packets[0], format)
                           : complete == 1 ? CheckCommentHeader(packets[1])
                                           : IsVorbisHeader(packets[2], 5) &&
                                             CheckVorbisSetup(packets[2].data(), packets[2].size(), format->channels);
                if (!sound)
                    return VORBIS_HEADERS_BAD;
                ++complete;
            }
        }
        offset += page.headerBytes + page.bodyBytes;
        if (complete < 3 && followed.ended)
            return VORBIS_HEADERS_BAD;
    }
    format->headerBytes = (uint32_t)offset;
    *chain = followed;
    if (decoderHeaders)
        PageDecoderHeaders(packets[0], packets[2], followed.serial, *decoderHeaders);
    return VORBIS_HEADERS_OK;
}
