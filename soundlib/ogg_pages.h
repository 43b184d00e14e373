// Ogg pages and the Vorbis headers, checked before any byte reaches the
// decoder: each page's structure and CRC32, the order of one logical
// stream's pages, and the three Vorbis header packets with every field
// whose length the decoder trusts. A file that fails here is refused (in
// its headers) or ends its audio at the first page that fails (after them).
//
// Pure functions over bytes in memory: no allocation but the packets that
// CheckVorbisHeaders assembles, no shared state but the CRC table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum {
    OGG_PAGE_HEADER_BYTES = 27,
    // Largest page: the fixed header, 255 lacing values, 255 x 255 bytes.
    OGG_MAX_PAGE_BYTES = 27 + 255 + 255 * 255,
};

// Header flags of a page.
enum {
    OGG_FLAG_CONTINUED = 1,   // the first packet began on an earlier page
    OGG_FLAG_FIRST = 2,       // first page of a logical stream
    OGG_FLAG_LAST = 4,        // last page of a logical stream
};

// One page as its header describes it; `lacing` points into the page.
struct OggPage {
    uint64_t granule;         // all ones: no packet ends on this page
    uint32_t serial;
    uint32_t sequence;
    uint32_t flags;
    uint32_t segmentCount;
    const uint8_t* lacing;
    uint32_t headerBytes;     // 27 + segmentCount
    uint32_t bodyBytes;       // sum of the lacing values
};

// What ReadOggPage found at the start of the bytes it was given.
enum OggPageCheck {
    OGG_PAGE_OK,              // a whole page with a matching CRC
    OGG_PAGE_SHORT,           // the bytes end inside the page
    OGG_PAGE_BAD,             // not a page, or its CRC does not match
};

// CRC32 of Ogg pages (polynomial 0x04C11DB7, most significant bit first,
// no reflection, initial value 0) over `size` bytes, continuing from `crc`.
uint32_t UpdateOggCrc(uint32_t crc, const uint8_t* data, size_t size);

// Reads and checks the page that starts at data[0]: capture pattern,
// version 0, lacing and body within `available` bytes, and the CRC32.
OggPageCheck ReadOggPage(const uint8_t* data, size_t available, OggPage* page);

// The order of one logical stream's pages as they are followed: the same
// serial number, consecutive sequence numbers, a page continues a packet
// exactly when the previous one left it open, nothing after the last page.
struct OggPageChain {
    bool started;
    bool ended;               // the page flagged last has been followed
    bool packetOpen;          // the previous page's last packet goes on
    uint32_t serial;
    uint32_t nextSequence;
};

// Takes `page` as the next page of `chain`; false (and `chain` unchanged)
// when it cannot follow, which ends the stream's usable pages there.
bool FollowOggPage(OggPageChain& chain, const OggPage& page);

// What the identification header of a Vorbis stream says.
struct VorbisFormat {
    uint32_t channels;
    uint32_t rate;
    uint32_t headerBytes;     // through the end of the page the setup header ends on
};

// What CheckVorbisHeaders found.
enum VorbisHeaderCheck {
    VORBIS_HEADERS_OK,
    VORBIS_HEADERS_SHORT,     // sound so far, but the bytes end inside them
    VORBIS_HEADERS_BAD,
};

// Largest number of channels a stream may have (the decoder's own limit).
enum { VORBIS_MAX_CHANNELS = 16 };

// The one limit of a stream's headers: the three header packets may take up
// to this many bytes of pages (comment headers with pictures in them run to
// megabytes), and the decoder's memory may grow to as much. The decoder is
// never given the comments, so whatever passes the page checks opens.
enum { VORBIS_MAX_HEADER_BYTES = 16 << 20 };

// Checks that `data` starts with the pages of the three Vorbis header
// packets: the identification header alone on the first page with sane
// fields (channels, rate, block sizes, framing), the comment header whose
// vendor string, comment count and comments all fit in its packet, and a
// complete setup header that passes CheckVorbisSetup. Fills `format` when they are sound. `chain`
// receives the state after the last header page, ready for the audio pages.
// `decoderHeaders`, when given, receives the headers as the decoder is
// handed them: the same identification and setup headers with an empty
// comment header, newly paged (the comments can be megabytes the decoder
// would copy and never use).
VorbisHeaderCheck CheckVorbisHeaders(const uint8_t* data, size_t size, VorbisFormat* format, OggPageChain* chain,
                                     std::vector<uint8_t>* decoderHeaders = nullptr);
