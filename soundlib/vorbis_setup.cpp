// The check of the Vorbis setup header (see vorbis_setup.h): the whole
// packet read bit by bit, the way a decoder reads it, against the rules of
// the format: sync patterns, counts and sizes within the packet, every book,
// floor, residue and mapping index within its table, the residue books
// usable for values, no repeated floor positions, the framing bit.
//
// On top of the format's rules it refuses what the format allows but no
// encoder writes and the decoder gets wrong: a codebook whose dimensions
// and entries together pass 2^24 (the reference decoder's own limit), a
// lattice codebook (lookup type 1) whose value count raised to its
// dimensions overflows 31 bits, which the decoder computes in floats and
// converts out of range, and codewords longer than 30 bits, which the
// decoder's search masks with a shift of a signed 1 that overflows.
#include "soundlib/vorbis_setup.h"

#include <algorithm>

namespace {

// Reads a packet's bits from the least significant bit of each byte up,
// as Vorbis packs them; reading past the end marks the reader failed.
struct SetupBits {
    const uint8_t* data;
    uint64_t bitCount;
    uint64_t bit;
    bool failed;
};

uint32_t ReadBits(SetupBits& bits, int count)
{
    if (bits.failed || bits.bitCount - bits.bit < (uint64_t)count) {
        bits.failed = true;
        return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < count; ++i, ++bits.bit)
        value |= (uint32_t)((bits.data[bits.bit >> 3] >> (bits.bit & 7)) & 1) << i;
    return value;
}

// Passes over `count` bits that hold nothing to check.
void SkipBits(SetupBits& bits, uint64_t count)
{
    if (bits.failed || bits.bitCount - bits.bit < count)
        bits.failed = true;
    else
        bits.bit += count;
}

// Number of bits needed for `value` (0 for 0).
int CountBits(uint32_t value)
{
    int n = 0;
    for (; value != 0; value >>= 1)
        ++n;
    return n;
}

// `base` to the power `exponent`, or `limit` + 1 once it passes `limit`.
uint64_t PowerUpTo(uint64_t base, uint32_t exponent, uint64_t limit)
{
    if (base <= 1 || exponent == 0)
        return base == 0 && exponent != 0 ? 0 : 1;
    uint64_t result = 1;
    for (uint32_t i = 0; i < exponent; ++i) {
        result *= base;
        if (result > limit)
            return limit + 1;
    }
    return result;
}

// What the later sections need to know of a codebook.
struct SetupBook {
    uint32_t dimensions;
    uint32_t entries;
    bool hasValues;   // lookup type 1 or 2
};

const uint64_t LATTICE_LIMIT = 0x7FFFFFFF;
const uint32_t MAX_CODEWORD_BITS = 30;

// One codebook; false when it breaks a rule.
bool CheckCodebook(SetupBits& bits, SetupBook* book)
{
    if (ReadBits(bits, 24) != 0x564342)
        return false;
    book->dimensions = ReadBits(bits, 16);
    book->entries = ReadBits(bits, 24);
    if (bits.failed || book->dimensions == 0 || book->entries == 0 ||
        CountBits(book->dimensions) + CountBits(book->entries) > 24)
        return false;
    if (ReadBits(bits, 1)) {
        // Ordered: runs of entries of one length, each length one longer.
        uint32_t entry = 0, length = ReadBits(bits, 5) + 1;
        while (entry < book->entries && !bits.failed) {
            uint32_t run = ReadBits(bits, CountBits(book->entries - entry));
            if (run > book->entries - entry || (run > 0 && length > MAX_CODEWORD_BITS))
                return false;
            entry += run;
            ++length;
        }
    } else {
        // A length per entry; sparse books flag first whether it is used.
        const bool sparse = ReadBits(bits, 1) != 0;
        for (uint32_t entry = 0; entry < book->entries && !bits.failed; ++entry) {
            if ((!sparse || ReadBits(bits, 1)) && ReadBits(bits, 5) + 1 > MAX_CODEWORD_BITS)
                return false;
        }
    }
    uint32_t lookup = ReadBits(bits, 4);
    book->hasValues = lookup != 0;
    if (lookup > 2)
        return false;
    if (lookup != 0) {
        SkipBits(bits, 64);   // minimum and delta
        uint32_t valueBits = ReadBits(bits, 4) + 1;
        SkipBits(bits, 1);    // sequence flag
        uint64_t values;
        if (lookup == 1) {
            // The largest v with v^dimensions <= entries, by bisection.
            uint64_t v = 1, above = (uint64_t)book->entries + 1;
            while (above - v > 1) {
                uint64_t middle = v + (above - v) / 2;
                if (PowerUpTo(middle, book->dimensions, book->entries) <= book->entries)
                    v = middle;
                else
                    above = middle;
            }
            if (PowerUpTo(v + 2, book->dimensions, LATTICE_LIMIT) > LATTICE_LIMIT)
                return false;
            values = v;
        } else {
            values = (uint64_t)book->entries * book->dimensions;
        }
        SkipBits(bits, values * valueBits);
    }
    return !bits.failed;
}

// One floor (only type 1: the decoder does not play type 0).
bool CheckFloor(SetupBits& bits, uint32_t bookCount)
{
    if (ReadBits(bits, 16) != 1)
        return false;
    uint32_t partitions = ReadBits(bits, 5);
    uint32_t partitionClass[31];
    int maxClass = -1;
    for (uint32_t i = 0; i < partitions; ++i) {
        partitionClass[i] = ReadBits(bits, 4);
        maxClass = std::max(maxClass, (int)partitionClass[i]);
    }
    uint32_t classDimensions[16];
    for (int c = 0; c <= maxClass; ++c) {
        classDimensions[c] = ReadBits(bits, 3) + 1;
        uint32_t subclasses = ReadBits(bits, 2);
        if (subclasses != 0 && ReadBits(bits, 8) >= bookCount)
            return false;
        for (uint32_t k = 0; k < (1u << subclasses); ++k) {
            uint32_t book = ReadBits(bits, 8);   // book + 1; 0 is none
            if (book > bookCount)
                return false;
        }
    }
    SkipBits(bits, 2);   // multiplier
    uint32_t rangeBits = ReadBits(bits, 4);
    uint32_t x[65] = {0, 1u << rangeBits};
    uint32_t count = 2;
    for (uint32_t i = 0; i < partitions; ++i) {
        for (uint32_t k = 0; k < classDimensions[partitionClass[i]]; ++k) {
            if (count == 65)
                return false;
            x[count++] = ReadBits(bits, rangeBits);
        }
    }
    std::sort(x, x + count);
    return !bits.failed && std::adjacent_find(x, x + count) == x + count;
}

// One residue: its class book must be able to name every combination of
// classifications, and its cascade books must hold values.
bool CheckResidue(SetupBits& bits, const SetupBook* books, uint32_t bookCount)
{
    if (ReadBits(bits, 16) > 2)
        return false;
    uint32_t begin = ReadBits(bits, 24);
    uint32_t end = ReadBits(bits, 24);
    SkipBits(bits, 24);   // partition size
    uint32_t classifications = ReadBits(bits, 6) + 1;
    uint32_t classBook = ReadBits(bits, 8);
    if (bits.failed || end < begin || classBook >= bookCount)
        return false;
    if (PowerUpTo(classifications, books[classBook].dimensions, books[classBook].entries) > books[classBook].entries)
        return false;
    uint32_t cascade[64];
    for (uint32_t i = 0; i < classifications; ++i) {
        cascade[i] = ReadBits(bits, 3);
        if (ReadBits(bits, 1))
            cascade[i] |= ReadBits(bits, 5) << 3;
    }
    for (uint32_t i = 0; i < classifications; ++i) {
        for (int pass = 0; pass < 8; ++pass) {
            if ((cascade[i] >> pass) & 1) {
                uint32_t book = ReadBits(bits, 8);
                if (book >= bookCount || !books[book].hasValues)
                    return false;
            }
        }
    }
    return !bits.failed;
}

// One mapping.
bool CheckMapping(SetupBits& bits, uint32_t channels, uint32_t floorCount, uint32_t residueCount)
{
    if (ReadBits(bits, 16) != 0)
        return false;
    uint32_t submaps = ReadBits(bits, 1) ? ReadBits(bits, 4) + 1 : 1;
    if (ReadBits(bits, 1)) {
        uint32_t steps = ReadBits(bits, 8) + 1;
        int channelBits = CountBits(channels - 1);
        for (uint32_t i = 0; i < steps; ++i) {
            uint32_t magnitude = ReadBits(bits, channelBits);
            uint32_t angle = ReadBits(bits, channelBits);
            if (magnitude == angle || magnitude >= channels || angle >= channels)
                return false;
        }
    }
    if (ReadBits(bits, 2) != 0)
        return false;
    if (submaps > 1) {
        for (uint32_t c = 0; c < channels; ++c) {
            if (ReadBits(bits, 4) >= submaps)
                return false;
        }
    }
    for (uint32_t i = 0; i < submaps; ++i) {
        SkipBits(bits, 8);   // unused time configuration
        if (ReadBits(bits, 8) >= floorCount || ReadBits(bits, 8) >= residueCount)
            return false;
    }
    return !bits.failed;
}

} // namespace

bool CheckVorbisSetup(const uint8_t* packet, size_t size, uint32_t channels)
{
    if (size < 7 || channels == 0)
        return false;
    SetupBits bits = {packet + 7, (uint64_t)(size - 7) * 8, 0, false};
    uint32_t bookCount = ReadBits(bits, 8) + 1;
    SetupBook books[256];
    for (uint32_t i = 0; i < bookCount; ++i) {
        if (!CheckCodebook(bits, &books[i]))
            return false;
    }
    uint32_t timeCount = ReadBits(bits, 6) + 1;
    for (uint32_t i = 0; i < timeCount; ++i) {
        if (ReadBits(bits, 16) != 0)
            return false;
    }
    uint32_t floorCount = ReadBits(bits, 6) + 1;
    for (uint32_t i = 0; i < floorCount; ++i) {
        if (!CheckFloor(bits, bookCount))
            return false;
    }
    uint32_t residueCount = ReadBits(bits, 6) + 1;
    for (uint32_t i = 0; i < residueCount; ++i) {
        if (!CheckResidue(bits, books, bookCount))
            return false;
    }
    uint32_t mappingCount = ReadBits(bits, 6) + 1;
    for (uint32_t i = 0; i < mappingCount; ++i) {
        if (!CheckMapping(bits, channels, floorCount, residueCount))
            return false;
    }
    uint32_t modeCount = ReadBits(bits, 6) + 1;
    for (uint32_t i = 0; i < modeCount; ++i) {
        SkipBits(bits, 1);   // block flag
        if (ReadBits(bits, 16) != 0 || ReadBits(bits, 16) != 0 || ReadBits(bits, 8) >= mappingCount)
            return false;
    }
    return ReadBits(bits, 1) == 1 && !bits.failed;
}
