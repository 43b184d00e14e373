// Gives Ogg pages their right CRC32, as a file damaged on purpose would
// carry them: shared by the broken-file tests and the fuzz target, which
// must both feed the library the same bytes. Header only, no dependencies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// The Ogg CRC32 (polynomial 0x04C11DB7, no reflection, initial value 0).
inline uint32_t ComputeOggPageCrc(const uint8_t* data, size_t size)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= (uint32_t)data[i] << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// Header and body size of the page at `offset`, or 0 when none fits there.
inline size_t MeasureOggPage(const std::vector<uint8_t>& bytes, size_t offset)
{
    if (offset + 27 > bytes.size() || std::memcmp(&bytes[offset], "OggS", 4) != 0)
        return 0;
    size_t header = 27 + (size_t)bytes[offset + 26];
    if (offset + header > bytes.size())
        return 0;
    size_t body = 0;
    for (size_t i = offset + 27; i < offset + header; ++i)
        body += bytes[i];
    return offset + header + body <= bytes.size() ? header + body : 0;
}

// Writes the right CRC into the page at `offset`; returns its size (0: no page).
inline size_t SealOggPage(std::vector<uint8_t>& bytes, size_t offset)
{
    size_t size = MeasureOggPage(bytes, offset);
    if (size == 0)
        return 0;
    std::memset(&bytes[offset + 22], 0, 4);
    uint32_t crc = ComputeOggPageCrc(&bytes[offset], size);
    for (int i = 0; i < 4; ++i)
        bytes[offset + 22 + i] = (uint8_t)(crc >> (8 * i));
    return size;
}

// Seals every whole page found anywhere in `bytes`, skipping what is not one.
inline void SealEveryOggPage(std::vector<uint8_t>& bytes)
{
    for (size_t at = 0; at < bytes.size();) {
        size_t size = SealOggPage(bytes, at);
        at += size != 0 ? size : 1;
    }
}
