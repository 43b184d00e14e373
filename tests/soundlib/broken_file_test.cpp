// Damaged Ogg Vorbis files, one table: each opened by name and from
// memory on the "no sound" device. Damage in the headers (with the page CRC
// left wrong, and resealed as a crafted file would be) is refused with
// BASS_ERROR_FILEFORM; damage after them ends the audio at the damaged page;
// a file that claims more than it holds holds only what it has. Every
// stream that opens is read to its end, positioned and asked for a
// spectrum. The inputs the fuzz target ever failed on are replayed too.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ogg_page_seal.h"
#include "ogg_rewrite.h"
#include "ogg_test_file.h"
#include "soundlib/bass.h"

namespace {

typedef std::vector<unsigned char> Bytes;

const int RATE = 44100;

// The process's peak virtual size in bytes (Linux), to see what an open
// reserves even where it never touches the memory.
uint64_t ReadPeakVirtualBytes()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    uint64_t kilobytes = 0;
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmPeak: %llu", (unsigned long long*)&kilobytes) == 1)
            break;
    }
    if (status)
        std::fclose(status);
    return kilobytes * 1024;
}

// Offset of the packet that starts with `type` and "vorbis".
size_t FindHeaderPacket(const Bytes& bytes, unsigned char type)
{
    const unsigned char pattern[7] = {type, 'v', 'o', 'r', 'b', 'i', 's'};
    for (size_t i = 0; i + 7 <= bytes.size(); ++i) {
        if (std::memcmp(&bytes[i], pattern, 7) == 0)
            return i;
    }
    return bytes.size();
}

void WriteLittle32(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = (unsigned char)(value >> (8 * i));
}

// The page that holds byte `at`.
size_t PageHolding(const Bytes& bytes, size_t at)
{
    size_t found = 0;
    for (size_t page : ListOggPages(bytes)) {
        if (page <= at)
            found = page;
    }
    return found;
}

// Offset of the first page that carries audio (granule not 0).
size_t FirstAudioPage(const Bytes& bytes)
{
    for (size_t page : ListOggPages(bytes)) {
        uint64_t granule = 0;
        for (int b = 7; b >= 0; --b)
            granule = (granule << 8) | bytes[page + 6 + b];
        if (granule != 0)
            return page;
    }
    return bytes.size();
}

// The comment count (after the vendor string) set to `count`.
Bytes SetCommentCount(Bytes bytes, uint32_t count, bool seal)
{
    size_t packet = FindHeaderPacket(bytes, 3);
    uint32_t vendor = bytes[packet + 7] | (bytes[packet + 8] << 8) | (bytes[packet + 9] << 16) | ((uint32_t)bytes[packet + 10] << 24);
    WriteLittle32(bytes, packet + 11 + vendor, count);
    if (seal)
        SealOggPage(bytes, PageHolding(bytes, packet));
    return bytes;
}

// One byte of a header packet changed (at `offset` from its type byte).
Bytes ChangeHeaderByte(Bytes bytes, unsigned char type, size_t offset, unsigned char value, bool seal)
{
    size_t at = FindHeaderPacket(bytes, type) + offset;
    bytes[at] = value;
    if (seal)
        SealOggPage(bytes, PageHolding(bytes, at));
    return bytes;
}

Bytes CutAt(Bytes bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

// The middle page of the file: flipped (CRC left wrong), removed, or
// resealed with another stream's serial number.
enum MiddleDamage { FLIP_BYTE, REMOVE_PAGE, OTHER_STREAM };
Bytes DamageMiddlePage(Bytes bytes, MiddleDamage damage)
{
    std::vector<size_t> pages = ListOggPages(bytes);
    size_t middle = pages[pages.size() / 2];
    size_t next = pages[pages.size() / 2 + 1];
    if (damage == FLIP_BYTE) {
        bytes[(middle + next) / 2] ^= 0x20;
    } else if (damage == REMOVE_PAGE) {
        bytes.erase(bytes.begin() + middle, bytes.begin() + next);
    } else {
        bytes[middle + 14] ^= 1;
        SealOggPage(bytes, middle);
    }
    return bytes;
}

// Pseudo-random bytes over the file from `from` on (all of it from 0).
Bytes Scramble(Bytes bytes, size_t from)
{
    uint32_t state = 12345;
    for (size_t i = from; i < bytes.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = (unsigned char)(state >> 24);
    }
    return bytes;
}

// The pages that end near 9.5 KB, the last one claiming 130 million
// samples and flagged as the stream's end.
Bytes ClaimHugeLength(const Bytes& good, bool honest)
{
    size_t end = 0, last = 0;
    std::vector<size_t> pages = ListOggPages(good);
    for (size_t i = 0; i + 1 < pages.size() && pages[i + 1] <= 9500; ++i) {
        last = pages[i];
        end = pages[i + 1];
    }
    Bytes bytes(good.begin(), good.begin() + end);
    if (!honest) {
        uint64_t claim = 130000000;
        for (int b = 0; b < 8; ++b)
            bytes[last + 6 + b] = (unsigned char)(claim >> (8 * b));
        bytes[last + 5] |= 4;
        SealOggPage(bytes, last);
    }
    return bytes;
}

// One damaged file and what must come of it.
struct BrokenCase {
    const char* name;
    std::function<Bytes(const Bytes&)> damage;
    int error;              // BASS_OK: it opens
    double shortest;        // then its length as a share of the whole file's
    double longest;
};

class BrokenFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchFolder("broken");
        std::string path = folder + "/good.ogg";
        ASSERT_TRUE(WriteOggVorbisFile(path, MakeSineAudio(4.0, 2, RATE, 1000.0, 0.5), 0.8f));
        good = ReadBytes(path);
        ASSERT_TRUE(BASS_Init(0, RATE, 0, nullptr, nullptr));
    }
    void TearDown() override
    {
        BASS_Free();
        RemoveScratchFolder(folder);
    }

    // Opens `bytes` from memory or by name; on success reads the decoding
    // stream to its end and checks that its length says what was read, then
    // positions it and asks for spectra. Returns the error code of the open
    // and the bytes read in *read.
    int OpenAndUse(const Bytes& bytes, bool fromMemory, QWORD* read)
    {
        std::string path = folder + "/case.ogg";
        HSTREAM stream;
        if (fromMemory) {
            stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, (DWORD)bytes.size(), BASS_STREAM_DECODE);
        } else {
            EXPECT_TRUE(WriteBytes(path, bytes.data(), bytes.size()));
            stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        }
        *read = 0;
        if (!stream)
            return BASS_ErrorGetCode();
        std::vector<char> buffer(1 << 16);
        DWORD got;
        while ((got = BASS_ChannelGetData(stream, buffer.data(), (DWORD)buffer.size())) != (DWORD)-1)
            *read += got;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
        QWORD length = BASS_ChannelGetLength(stream);
        EXPECT_EQ(length, *read);
        float spectrum[512];
        EXPECT_TRUE(BASS_ChannelSetPosition(stream, length / 2 / 4 * 4));
        EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u);
        EXPECT_TRUE(BASS_StreamFree(stream));
        return BASS_OK;
    }

    std::string folder;
    Bytes good;
};

TEST_F(BrokenFileTest, DamageIsRefusedInTheHeadersAndEndsTheAudioAfterThem)
{
    const size_t audio = FirstAudioPage(good);
    ASSERT_GT(audio, 58u);
    const BrokenCase cases[] = {
        {"empty", [](const Bytes&) { return Bytes(); }, BASS_ERROR_FILEFORM, 0, 0},
        {"random bytes", [](const Bytes& b) { return Scramble(b, 0); }, BASS_ERROR_FILEFORM, 0, 0},
        {"comment count 1000", [](const Bytes& b) { return SetCommentCount(b, 1000, false); }, BASS_ERROR_FILEFORM, 0, 0},
        {"comment count 1000, resealed", [](const Bytes& b) { return SetCommentCount(b, 1000, true); }, BASS_ERROR_FILEFORM, 0, 0},
        {"comment count 0x7FFFFFFF", [](const Bytes& b) { return SetCommentCount(b, 0x7FFFFFFF, false); }, BASS_ERROR_FILEFORM, 0, 0},
        {"comment count 0x7FFFFFFF, resealed", [](const Bytes& b) { return SetCommentCount(b, 0x7FFFFFFF, true); }, BASS_ERROR_FILEFORM, 0, 0},
        {"comment count 1 without room, resealed", [](const Bytes& b) { return SetCommentCount(b, 1, true); }, BASS_ERROR_FILEFORM, 0, 0},
        {"vendor length past the packet, resealed", [](const Bytes& b) {
             Bytes d = b;
             size_t packet = FindHeaderPacket(d, 3);
             WriteLittle32(d, packet + 7, 0xFFFFFFFFu);
             SealOggPage(d, PageHolding(d, packet));
             return d; }, BASS_ERROR_FILEFORM, 0, 0},
        {"no channels, resealed", [](const Bytes& b) { return ChangeHeaderByte(b, 1, 11, 0, true); }, BASS_ERROR_FILEFORM, 0, 0},
        {"block sizes swapped, resealed", [](const Bytes& b) { return ChangeHeaderByte(b, 1, 28, 0x8B, true); }, BASS_ERROR_FILEFORM, 0, 0},
        {"codebook sync broken, resealed", [](const Bytes& b) { return ChangeHeaderByte(b, 5, 8, 0x41, true); }, BASS_ERROR_FILEFORM, 0, 0},
        {"setup header byte changed, CRC wrong", [](const Bytes& b) { return ChangeHeaderByte(b, 5, 30, 0x5A, false); }, BASS_ERROR_FILEFORM, 0, 0},
        {"cut after 1 byte", [](const Bytes& b) { return CutAt(b, 1); }, BASS_ERROR_FILEFORM, 0, 0},
        {"cut in the first page header", [](const Bytes& b) { return CutAt(b, 27); }, BASS_ERROR_FILEFORM, 0, 0},
        {"cut after the first page", [](const Bytes& b) { return CutAt(b, 58); }, BASS_ERROR_FILEFORM, 0, 0},
        {"cut in the setup header", [audio](const Bytes& b) { return CutAt(b, audio - 100); }, BASS_ERROR_FILEFORM, 0, 0},
        {"cut after the headers", [audio](const Bytes& b) { return CutAt(b, audio); }, BASS_ERROR_FILEFORM, 0, 0},
        {"cut in the first audio page", [audio](const Bytes& b) { return CutAt(b, audio + 10); }, BASS_ERROR_FILEFORM, 0, 0},
        {"cut in half", [](const Bytes& b) { return CutAt(b, b.size() / 2); }, BASS_OK, 0.3, 0.7},
        {"last byte missing", [](const Bytes& b) { return CutAt(b, b.size() - 1); }, BASS_OK, 0.9, 1.0},
        {"middle page byte flipped", [](const Bytes& b) { return DamageMiddlePage(b, FLIP_BYTE); }, BASS_OK, 0.3, 0.7},
        {"middle page missing", [](const Bytes& b) { return DamageMiddlePage(b, REMOVE_PAGE); }, BASS_OK, 0.3, 0.7},
        {"middle page of another stream", [](const Bytes& b) { return DamageMiddlePage(b, OTHER_STREAM); }, BASS_OK, 0.3, 0.7},
        {"second half random", [](const Bytes& b) { return Scramble(b, b.size() / 2); }, BASS_OK, 0.3, 0.7},
        {"whole file", [](const Bytes& b) { return b; }, BASS_OK, 1.0, 1.0},
    };
    const QWORD whole = 4ull * RATE * 4;
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.damage(good);
        for (bool fromMemory : {false, true}) {
            SCOPED_TRACE(fromMemory ? "from memory" : "by name");
            if (fromMemory && bytes.empty())
                continue;   // no block to open: BASS_ERROR_ILLPARAM
            QWORD read;
            int error = OpenAndUse(bytes, fromMemory, &read);
            ASSERT_EQ(error, c.error);
            if (error == BASS_OK) {
                EXPECT_GE(read, whole * c.shortest);
                EXPECT_LE(read, whole * c.longest);
            }
        }
    }
}

TEST_F(BrokenFileTest, ALengthTheFileClaimsIsNotReserved)
{
    // 9.5 KB of pages whose last one claims 130 million samples (520 MB of
    // stereo): the stream holds what its pages decode to, as the same pages
    // without the claim do.
    QWORD honest, lying;
    ASSERT_EQ(OpenAndUse(ClaimHugeLength(good, true), true, &honest), BASS_OK);
    uint64_t peakBefore = ReadPeakVirtualBytes();
    ASSERT_EQ(OpenAndUse(ClaimHugeLength(good, false), true, &lying), BASS_OK);
    EXPECT_LT(ReadPeakVirtualBytes() - peakBefore, 100u << 20);
    EXPECT_EQ(lying, honest);
    EXPECT_LT(lying, (QWORD)RATE * 4 * 2);
}

TEST_F(BrokenFileTest, CommentHeadersUpToTheHeaderLimitOpen)
{
    // Cover art in the comments: 8 MB of headers open, by name and from
    // memory, and read what the same audio without them reads; past the one
    // limit of 16 MB the file is refused.
    const TestAudio audio = MakeSineAudio(1.0, 2, RATE, 1000.0, 0.5);
    QWORD plain, read;
    ASSERT_TRUE(WriteOggVorbisFile(folder + "/plain.ogg", audio, 0.8f));
    ASSERT_EQ(OpenAndUse(ReadBytes(folder + "/plain.ogg"), true, &plain), BASS_OK);
    struct ArtCase {
        size_t bytes;
        int error;
    };
    for (ArtCase art : {ArtCase{8u << 20, BASS_OK}, ArtCase{(16u << 20) + 4096, BASS_ERROR_FILEFORM}}) {
        SCOPED_TRACE(art.bytes);
        Bytes bytes = AddOggCoverArt(ReadBytes(folder + "/plain.ogg"), art.bytes);
        ASSERT_FALSE(bytes.empty());
        for (bool fromMemory : {false, true}) {
            EXPECT_EQ(OpenAndUse(bytes, fromMemory, &read), art.error);
            if (art.error == BASS_OK) {
                EXPECT_EQ(read, plain);
            }
        }
    }
}

TEST_F(BrokenFileTest, AJumpPastWhereTheAudioReallyEndsIsRefused)
{
    // The last page says 4 s, the audio ends at the damaged middle page:
    // until something meets the damage the length is the claim; a jump past
    // the damage finds it, is refused, and leaves the stream where it was.
    Bytes bytes = DamageMiddlePage(good, FLIP_BYTE);
    for (DWORD flags : {0u, (DWORD)BASS_STREAM_DECODE}) {
        SCOPED_TRACE(flags);
        HSTREAM stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, (DWORD)bytes.size(), flags);
        ASSERT_NE(stream, 0u);
        const QWORD claimed = BASS_ChannelGetLength(stream);
        EXPECT_EQ(claimed, 4ull * RATE * 4);
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, 4 * 1000));
        EXPECT_FALSE(BASS_ChannelSetPosition(stream, claimed - 4));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
        const QWORD length = BASS_ChannelGetLength(stream);
        EXPECT_LT(length, claimed * 3 / 4);
        EXPECT_EQ(BASS_ChannelGetPosition(stream), 4u * 1000);
        float spectrum[512];
        EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024), 2048u);
        EXPECT_TRUE(BASS_ChannelSetPosition(stream, length));
        EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
        BASS_StreamFree(stream);
    }
}

TEST_F(BrokenFileTest, InputsTheFuzzerFailedOnAreHandled)
{
    // Replayed the way the fuzz target feeds them: every page resealed.
    if (!std::filesystem::is_directory(HALVANE_SOUNDLIB_REGRESSIONS))
        return;
    for (const auto& entry : std::filesystem::directory_iterator(HALVANE_SOUNDLIB_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().filename().string());
        Bytes bytes = ReadBytes(entry.path().string());
        SealEveryOggPage(bytes);
        QWORD read;
        OpenAndUse(bytes, true, &read);
    }
}

} // namespace
