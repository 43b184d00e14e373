// Test content: files the tests write for themselves (see test_content.h).
// The PNG writer stores its pixels in uncompressed deflate blocks, so it
// needs no image library and cannot share a fault with the one under test.
#include "test_content.h"

#include "timeline/caption_schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

bool WriteTestFile(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

// CRC-32 as PNG chunks use it.
static uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

static void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Appends one PNG chunk: length, type, data, CRC over type and data. The
// length field is the data's size unless claimed says otherwise.
static void PutPngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data,
    int64_t claimed = -1)
{
    PutBigEndian32(out, static_cast<uint32_t>(claimed >= 0 ? claimed : static_cast<int64_t>(data.size())));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian32(out, Crc32(body.data(), body.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
static std::vector<uint8_t> StoreZlib(const std::vector<uint8_t>& raw)
{
    std::vector<uint8_t> out = { 0x78, 0x01 };
    size_t offset = 0;
    do {
        const size_t size = std::min<size_t>(raw.size() - offset, 65535);
        const bool last = offset + size == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(size));
        out.push_back(static_cast<uint8_t>(size >> 8));
        out.push_back(static_cast<uint8_t>(~size));
        out.push_back(static_cast<uint8_t>(~size >> 8));
        out.insert(out.end(), raw.begin() + offset, raw.begin() + offset + size);
        offset += size;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian32(out, (b << 16) | a);
    return out;
}

bool WriteTestPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba)
{
    std::vector<uint8_t> png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    std::vector<uint8_t> header;
    PutBigEndian32(header, static_cast<uint32_t>(width));
    PutBigEndian32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), { 8, 6, 0, 0, 0 });  // 8-bit RGBA, no interlace
    PutPngChunk(png, "IHDR", header);
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        const uint8_t* row = rgba.data() + static_cast<size_t>(y) * width * 4;
        raw.insert(raw.end(), row, row + width * 4);
    }
    PutPngChunk(png, "IDAT", StoreZlib(raw));
    PutPngChunk(png, "IEND", {});
    return WriteTestFile(path, std::string(png.begin(), png.end()));
}

// Filters one row of bytes (unfiltered, as is prior, the row above) with the
// given PNG filter type; the bytes of a palette pixel filter one by one.
static std::vector<uint8_t> FilterRow(uint8_t filter, const std::vector<uint8_t>& row,
    const std::vector<uint8_t>& prior)
{
    std::vector<uint8_t> out = { filter };
    for (size_t i = 0; i < row.size(); ++i) {
        const int left = i > 0 ? row[i - 1] : 0, up = prior[i], upLeft = i > 0 ? prior[i - 1] : 0;
        const int p = left + up - upLeft;
        const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
        const int paeth = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
        const int predictions[5] = { 0, left, up, (left + up) / 2, paeth };
        out.push_back(static_cast<uint8_t>(row[i] - (filter < 5 ? predictions[filter] : 0)));
    }
    return out;
}

std::vector<TestPngChunk> MakePalettePngChunks(const PalettePicture& picture)
{
    std::vector<uint8_t> header;
    PutBigEndian32(header, static_cast<uint32_t>(picture.width));
    PutBigEndian32(header, static_cast<uint32_t>(picture.height));
    header.insert(header.end(), { static_cast<uint8_t>(picture.bitDepth), 3, 0, 0,
        static_cast<uint8_t>(picture.interlaced ? 1 : 0) });
    std::vector<uint8_t> gamma;
    PutBigEndian32(gamma, 45455);
    std::vector<uint8_t> palette;
    for (int i = 0; i < 3 * picture.paletteSize; ++i)
        palette.push_back(static_cast<uint8_t>(i * 5));
    // The rows of each pass (one pass without interlace), pixels packed from
    // the high bits.
    struct Pass { int x0, y0, dx, dy; };
    const Pass ADAM7[7] = { { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 }, { 2, 0, 4, 4 }, { 0, 2, 2, 4 },
        { 1, 0, 2, 2 }, { 0, 1, 1, 2 } };
    const Pass WHOLE = { 0, 0, 1, 1 };
    std::vector<uint8_t> raw;
    for (int p = 0; p < (picture.interlaced ? 7 : 1); ++p) {
        const Pass pass = picture.interlaced ? ADAM7[p] : WHOLE;
        const int width = picture.width > pass.x0 ? (picture.width - pass.x0 + pass.dx - 1) / pass.dx : 0;
        const size_t rowBytes = (static_cast<size_t>(width) * picture.bitDepth + 7) / 8;
        std::vector<uint8_t> prior(rowBytes, 0);
        for (int y = pass.y0; width > 0 && y < picture.height; y += pass.dy) {
            std::vector<uint8_t> row(rowBytes, 0);
            for (int i = 0; i < width; ++i) {
                const int bit = i * picture.bitDepth;
                const int value = picture.index(pass.x0 + i * pass.dx, y) & ((1 << picture.bitDepth) - 1);
                row[bit / 8] |= static_cast<uint8_t>(value << (8 - picture.bitDepth - bit % 8));
            }
            const std::vector<uint8_t> filtered = FilterRow(picture.filter, row, prior);
            raw.insert(raw.end(), filtered.begin(), filtered.end());
            prior = row;
        }
    }
    std::vector<TestPngChunk> chunks = {
        { "IHDR", header, 0 }, { "gAMA", gamma, 0 }, { "PLTE", palette, 0 }, { "IDAT", StoreZlib(raw), 0 },
        { "IEND", {}, 0 } };
    for (TestPngChunk& chunk : chunks)
        chunk.length = static_cast<uint32_t>(chunk.data.size());
    return chunks;
}

std::string JoinPngChunks(const std::vector<TestPngChunk>& chunks)
{
    std::vector<uint8_t> png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    for (const TestPngChunk& chunk : chunks)
        PutPngChunk(png, chunk.type.c_str(), chunk.data, chunk.length);
    return std::string(png.begin(), png.end());
}

std::string MakeOverrunPng()
{
    std::vector<TestPngChunk> chunks = MakePalettePngChunks();
    chunks[1].length = 14852;
    return JoinPngChunks(chunks);
}

std::string MakeClaimingPng(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType)
{
    std::vector<TestPngChunk> chunks = MakePalettePngChunks();
    std::vector<uint8_t>& header = chunks[0].data;
    header.clear();
    PutBigEndian32(header, width);
    PutBigEndian32(header, height);
    header.insert(header.end(), { bitDepth, colourType, 0, 0, 0 });
    return JoinPngChunks(chunks);
}

std::string MakeIndexPastPalettePng()
{
    PalettePicture picture;
    picture.paletteSize = 2;
    return JoinPngChunks(MakePalettePngChunks(picture));
}

std::string MakeFaceLinesObj(int64_t size)
{
    std::string text(static_cast<size_t>(size), '\n');
    for (size_t i = 0; i + 3 <= text.size(); i += 3)
        text.replace(i, 2, "f ");
    return text;
}

std::vector<uint8_t> MakeTwoBandPicture(int width, int height, uint32_t top, uint32_t bottom)
{
    std::vector<uint8_t> rgba;
    for (int y = 0; y < height; ++y) {
        const uint32_t colour = y < height / 2 ? top : bottom;
        for (int x = 0; x < width; ++x)
            for (int shift = 24; shift >= 0; shift -= 8)
                rgba.push_back(static_cast<uint8_t>(colour >> shift));
    }
    return rgba;
}

std::string MakeTestDirectory()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/halvane-test-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        std::abort();
    return pattern;
}

void RemoveTestDirectory(const std::string& dir)
{
    std::error_code error;
    std::filesystem::remove_all(dir, error);
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::string& dir)
{
    char buffer[4096];
    previous_ = getcwd(buffer, sizeof buffer) ? buffer : "/";
    if (chdir(dir.c_str()) != 0)
        std::abort();
}

ScopedWorkingDirectory::~ScopedWorkingDirectory()
{
    if (chdir(previous_.c_str()) != 0)
        std::abort();
}

// An octahedron of the given radius: 6 positions, 8 triangles.
static std::string MakeOctahedronObj(float radius)
{
    char text[1024];
    std::snprintf(text, sizeof text,
        "# octahedron\n"
        "v %g 0 0\nv %g 0 0\nv 0 %g 0\nv 0 %g 0\nv 0 0 %g\nv 0 0 %g\n"
        "vt 0 0\nvt 1 0\nvt 0 1\n"
        "f 1/1/1 3/2/1 5/3/1\nf 3/1/1 2/2/1 5/3/1\nf 2/1/1 4/2/1 5/3/1\nf 4/1/1 1/2/1 5/3/1\n"
        "f 3/1/1 1/2/1 6/3/1\nf 2/1/1 3/2/1 6/3/1\nf 4/1/1 2/2/1 6/3/1\nf 1/1/1 4/2/1 6/3/1\n",
        radius, -radius, radius, -radius, radius, -radius);
    return text;
}

// A flat disk of radius 1 in the xz plane (normal y): a fan of 16 triangles.
static std::string MakeDiskObj()
{
    std::string text = "v 0 0 0\n";
    const int segments = 16;
    for (int i = 0; i < segments; ++i) {
        const double a = 2.0 * 3.14159265358979 * i / segments;
        char line[80];
        std::snprintf(line, sizeof line, "v %.6f 0 %.6f\n", std::cos(a), std::sin(a));
        text += line;
    }
    text += "vt 0.5 0.5\n";
    for (int i = 0; i < segments; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "f 1/1/1 %d/1/1 %d/1/1\n", 2 + i, 2 + (i + 1) % segments);
        text += line;
    }
    return text;
}

uint32_t GetCaptionTopColour(int slot)
{
    static const uint32_t COLOURS[11] = {
        0xFF0000FFu, 0xFF8000FFu, 0xFFFF00FFu, 0x00FFFFFFu, 0xFF00FFFFu, 0x800000FFu,
        0x008080FFu, 0x808000FFu, 0x800080FFu, 0x804000FFu, 0xFF8080FFu,
    };
    return COLOURS[slot];
}

void WriteShowContent(const std::string& dir)
{
    const std::string data = dir + "/data";
    mkdir(data.c_str(), 0755);
    mkdir((data + "/png").c_str(), 0755);
    // The sphere halves: the two halves of a small octahedron.
    WriteTestFile(data + "/sphere_up.obj",
        "v 0.3 0 0\nv -0.3 0 0\nv 0 0 0.3\nv 0 0 -0.3\nv 0 0.3 0\nvt 0 0\n"
        "f 1/1/1 3/1/1 5/1/1\nf 3/1/1 2/1/1 5/1/1\nf 2/1/1 4/1/1 5/1/1\nf 4/1/1 1/1/1 5/1/1\n");
    WriteTestFile(data + "/sphere_down.obj",
        "v 0.3 0 0\nv -0.3 0 0\nv 0 0 0.3\nv 0 0 -0.3\nv 0 -0.3 0\nvt 0 0\n"
        "f 1/1/1 3/1/1 5/1/1\nf 3/1/1 2/1/1 5/1/1\nf 2/1/1 4/1/1 5/1/1\nf 4/1/1 1/1/1 5/1/1\n");
    WriteTestFile(data + "/startunnel.obj", MakeDiskObj());
    for (int k = 1; k <= 4; ++k)
        WriteTestFile(data + "/knot" + std::to_string(k) + ".obj", MakeOctahedronObj(0.5f));
    for (const CaptionSheet& sheet : CAPTION_SHEETS)
        WriteTestPng(dir + "/" + sheet.file, 16, 16,
            MakeTwoBandPicture(16, 16, GetCaptionTopColour(sheet.slot), CAPTION_BOTTOM_COLOUR));
    WriteTestPng(data + "/png/credits.png", 8, 8, MakeTwoBandPicture(8, 8, CREDITS_COLOUR, CREDITS_COLOUR));
}
