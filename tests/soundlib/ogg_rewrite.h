// Ogg Vorbis files changed on purpose the way real ones differ or are
// damaged, every page resealed: the granule positions of the audio pages
// rewritten, and cover art added to the comment header. Shared by the sound
// library's tests and the broken-content matrix. Header only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ogg_page_seal.h"

inline uint64_t ReadOggLittle(const std::vector<uint8_t>& bytes, size_t at, int count)
{
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[at + i];
    return value;
}

inline void WriteOggLittle(std::vector<uint8_t>& bytes, size_t at, uint64_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes[at + i] = (uint8_t)(value >> (8 * i));
}

// The granule positions of the audio pages (those from the first page that
// gives one other than 0, which the header pages give) rewritten by
// `change`(audio page number, whether it is the last, granule position).
inline std::vector<uint8_t> RewriteOggGranules(std::vector<uint8_t> bytes,
                                               const std::function<uint64_t(size_t, bool, uint64_t)>& change)
{
    std::vector<size_t> pages;
    for (size_t at = 0, size; (size = MeasureOggPage(bytes, at)) != 0; at += size) {
        if (ReadOggLittle(bytes, at + 6, 8) != 0 || !pages.empty())
            pages.push_back(at);
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        WriteOggLittle(bytes, pages[i] + 6, change(i, i + 1 == pages.size(), ReadOggLittle(bytes, pages[i] + 6, 8)), 8);
        SealOggPage(bytes, pages[i]);
    }
    return bytes;
}

// The file with one comment more, of `artBytes` (as embedded cover art), in
// its comment header: the comment and setup headers paged anew after the
// identification page, the audio pages renumbered after them. Empty when
// the headers cannot be found.
inline std::vector<uint8_t> AddOggCoverArt(const std::vector<uint8_t>& bytes, size_t artBytes)
{
    const size_t first = MeasureOggPage(bytes, 0);
    std::vector<uint8_t> packets[2];
    size_t at = first, headerPages = 1;
    for (int packet = 0; packet < 2;) {
        const size_t size = first != 0 ? MeasureOggPage(bytes, at) : 0;
        if (size == 0)
            return {};
        const size_t segments = bytes[at + 26];
        size_t body = at + 27 + segments;
        for (size_t i = 0; i < segments && packet < 2; ++i) {
            const size_t lace = bytes[at + 27 + i];
            packets[packet].insert(packets[packet].end(), &bytes[body], &bytes[body] + lace);
            body += lace;
            if (lace < 255)
                ++packet;
        }
        at += size;
        ++headerPages;
    }
    // The comment count after the vendor string goes up by one; the new
    // comment goes before the framing bit.
    std::vector<uint8_t>& comments = packets[0];
    if (comments.size() < 16)
        return {};
    const size_t countAt = 11 + (size_t)ReadOggLittle(comments, 7, 4);
    WriteOggLittle(comments, countAt, ReadOggLittle(comments, countAt, 4) + 1, 4);
    const std::string tag = "METADATA_BLOCK_PICTURE=";
    std::vector<uint8_t> art(4 + tag.size() + artBytes, 'A');
    WriteOggLittle(art, 0, tag.size() + artBytes, 4);
    std::copy(tag.begin(), tag.end(), art.begin() + 4);
    comments.insert(comments.end() - 1, art.begin(), art.end());
    // Both packets laced, 255 lacing values to a page.
    std::vector<uint8_t> lacing, body = comments;
    body.insert(body.end(), packets[1].begin(), packets[1].end());
    for (const std::vector<uint8_t>& packet : packets) {
        lacing.insert(lacing.end(), packet.size() / 255, 255);
        lacing.push_back((uint8_t)(packet.size() % 255));
    }
    std::vector<uint8_t> out(bytes.begin(), bytes.begin() + (long)first);
    uint32_t sequence = 1;
    for (size_t from = 0, bodyAt = 0; from < lacing.size(); from += 255, ++sequence) {
        const size_t count = lacing.size() - from < 255 ? lacing.size() - from : 255;
        size_t bodyBytes = 0;
        for (size_t i = 0; i < count; ++i)
            bodyBytes += lacing[from + i];
        const size_t pageAt = out.size();
        out.resize(pageAt + 27, 0);
        const char capture[4] = {'O', 'g', 'g', 'S'};
        std::copy(capture, capture + 4, out.begin() + (long)pageAt);
        out[pageAt + 5] = from > 0 && lacing[from - 1] == 255 ? 1 : 0;   // continues a packet
        WriteOggLittle(out, pageAt + 14, ReadOggLittle(bytes, 14, 4), 4);
        WriteOggLittle(out, pageAt + 18, sequence, 4);
        out[pageAt + 26] = (uint8_t)count;
        out.insert(out.end(), lacing.begin() + (long)from, lacing.begin() + (long)(from + count));
        out.insert(out.end(), body.begin() + (long)bodyAt, body.begin() + (long)(bodyAt + bodyBytes));
        bodyAt += bodyBytes;
        SealOggPage(out, pageAt);
    }
    for (size_t size; (size = MeasureOggPage(bytes, at)) != 0; at += size) {
        const size_t pageAt = out.size();
        out.insert(out.end(), bytes.begin() + (long)at, bytes.begin() + (long)(at + size));
        WriteOggLittle(out, pageAt + 18, ReadOggLittle(out, pageAt + 18, 4) + sequence - headerPages, 4);
        SealOggPage(out, pageAt);
    }
    return out;
}
