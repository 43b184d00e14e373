// The broken-content matrix: the offline renderer plays the whole show (one
// frame per second of demo time, in a small window) with one of its twenty
// content files missing, empty, cut in half or replaced by random bytes, and
// with the damaged music, picture and mesh files found so far: the music with
// granule positions that lie or start late and with 8 MB of cover art in its
// comments, pictures that claim gigabytes or name colours past their palette,
// a mesh larger than the loader reads, and a FIFO, a folder or an endless
// device in a file's place. Each run must give exactly the messages the show
// gives for that file, in their order, each followed by the file's full path
// where it is about the file, reach
// 180 s and exit 0; in the sanitizer build, where this runs, any report of
// the sanitizers also ends the run with another exit code and extra lines.
#include "content/mesh.h"
#include "test_content.h"
#include "tests/soundlib/ogg_rewrite.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const MUSIC = "vx - orrin lumo.ogg";
// The show's content, relative to its data folder.
const char* const CONTENT_FILES[] = {
    "sphere_up.obj", "sphere_down.obj", "startunnel.obj", "knot1.obj", "knot2.obj", "knot3.obj", "knot4.obj",
    "png/17.png", "png/16.png", "png/15.png", "png/14.png", "png/13.png", "png/11.png", "png/10.png",
    "png/09.png", "png/08.png", "png/07.png", "png/06.png", "png/credits.png", MUSIC,
};

enum Damage {
    MISSING, EMPTY, CUT_IN_HALF, RANDOM_BYTES, COMMENT_COUNT, CHUNK_OVERRUN,
    // Music whose positions lie or whose headers are large.
    GRANULES_MINUS_ONE, GRANULES_RANDOM, GRANULES_FROM_A_MILLION, COVER_ART,
    // Pictures and meshes that would eat the memory or hang the loader.
    CLAIMS_16384_SQUARE_PALETTE, CLAIMS_8192_SQUARE_RGBA16, INDEX_PAST_PALETTE, MESH_OVER_LIMIT, MESH_AT_LIMIT,
    // What is not a regular file.
    FIFO, FOLDER, LINK_TO_DEV_ZERO, LINK_TO_DEV_URANDOM
};
const char* const DAMAGE_NAMES[] = { "missing", "empty", "cut_in_half", "random_bytes", "comment_count",
    "chunk_overrun", "granules_minus_one", "granules_random", "granules_from_a_million", "cover_art",
    "claims_16384_square_palette", "claims_8192_square_rgba16", "index_past_palette",
    "mesh_over_limit", "mesh_at_limit", "fifo", "folder", "link_to_dev_zero", "link_to_dev_urandom" };

// One run of the matrix: which file is damaged how, and what the show says.
struct BrokenContentCase {
    std::string file;
    Damage damage;
    std::vector<std::string> messages;  // as the stderr host prints them
};

const std::vector<std::string> MESH_MISSING = { "App: Error opening .obj file" };
const std::vector<std::string> MUSIC_REFUSED = { "Music opening error", "Music play error" };

bool EndsWith(const std::string& s, const char* end)
{
    const std::string e(end);
    return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

std::vector<BrokenContentCase> MakeCases()
{
    std::vector<BrokenContentCase> cases;
    for (const char* file : CONTENT_FILES) {
        const std::string name(file);
        for (Damage damage : { MISSING, EMPTY, CUT_IN_HALF, RANDOM_BYTES }) {
            std::vector<std::string> messages;
            // A mesh file that opens is read whatever it holds; an image that
            // cannot be read is not reported; music that cannot be opened
            // is, but a track cut after its headers plays up to the cut.
            if (EndsWith(name, ".obj") && damage == MISSING)
                messages = MESH_MISSING;
            if (name == MUSIC && damage != CUT_IN_HALF)
                messages = MUSIC_REFUSED;
            cases.push_back({ name, damage, messages });
        }
    }
    cases.push_back({ MUSIC, COMMENT_COUNT, MUSIC_REFUSED });
    cases.push_back({ "png/13.png", CHUNK_OVERRUN, {} });
    // Pictures are refused silently, meshes as missing; a mesh at the
    // loader's limit is read.
    cases.push_back({ "png/13.png", CLAIMS_16384_SQUARE_PALETTE, {} });
    cases.push_back({ "png/credits.png", CLAIMS_8192_SQUARE_RGBA16, {} });
    cases.push_back({ "png/06.png", INDEX_PAST_PALETTE, {} });
    cases.push_back({ "png/17.png", FIFO, {} });
    cases.push_back({ "png/16.png", FOLDER, {} });
    cases.push_back({ "png/15.png", LINK_TO_DEV_ZERO, {} });
    cases.push_back({ "sphere_down.obj", MESH_OVER_LIMIT, MESH_MISSING });
    cases.push_back({ "knot4.obj", MESH_AT_LIMIT, {} });
    cases.push_back({ "knot2.obj", FIFO, MESH_MISSING });
    cases.push_back({ "sphere_up.obj", FOLDER, MESH_MISSING });
    cases.push_back({ "knot3.obj", LINK_TO_DEV_ZERO, MESH_MISSING });
    cases.push_back({ "startunnel.obj", LINK_TO_DEV_URANDOM, MESH_MISSING });
    // The music: granule positions that lie or start late and cover art
    // play as the intact track does; what is not a regular file is refused
    // at once.
    for (Damage damage : { GRANULES_MINUS_ONE, GRANULES_RANDOM, GRANULES_FROM_A_MILLION, COVER_ART })
        cases.push_back({ MUSIC, damage, {} });
    for (Damage damage : { FIFO, FOLDER, LINK_TO_DEV_ZERO })
        cases.push_back({ MUSIC, damage, MUSIC_REFUSED });
    return cases;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The CRC32 of an Ogg page: polynomial 0x04C11DB7, not reflected, from 0.
uint32_t OggCrc(const std::string& page)
{
    uint32_t crc = 0;
    for (unsigned char byte : page) {
        crc ^= static_cast<uint32_t>(byte) << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// Sets the comment count after the vendor string of the Vorbis comment
// header to 0x7FFFFFFF and gives its page a matching CRC, so the damage
// reaches the header's reader. Empty when the track has no such header.
std::string DamageCommentCount(std::string ogg)
{
    const size_t header = ogg.find(std::string("\x03vorbis", 7));
    const size_t pageStart = header == std::string::npos ? header : ogg.rfind("OggS", header);
    if (pageStart == std::string::npos || header + 11 > ogg.size())
        return "";
    const auto u8 = [&ogg](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(ogg[at])); };
    const size_t vendorLength = u8(header + 7) | u8(header + 8) << 8 | u8(header + 9) << 16 | u8(header + 10) << 24;
    const size_t count = header + 11 + vendorLength;
    const size_t segments = u8(pageStart + 26);
    size_t pageEnd = pageStart + 27 + segments;
    for (size_t i = 0; i < segments; ++i)
        pageEnd += u8(pageStart + 27 + i);
    if (count + 4 > pageEnd || pageEnd > ogg.size())
        return "";
    ogg.replace(count, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    ogg.replace(pageStart + 22, 4, std::string(4, '\0'));
    const uint32_t crc = OggCrc(ogg.substr(pageStart, pageEnd - pageStart));
    for (int i = 0; i < 4; ++i)
        ogg[pageStart + 22 + i] = static_cast<char>(crc >> (8 * i));
    return ogg;
}

// Puts a FIFO, a folder or a link to a device at path; false for any other
// damage, which is written as bytes.
bool MakeSpecialFile(const fs::path& path, Damage damage)
{
    switch (damage) {
    case FIFO: return mkfifo(path.c_str(), 0644) == 0;
    case FOLDER: return fs::create_directory(path);
    case LINK_TO_DEV_ZERO: fs::create_symlink("/dev/zero", path); return true;
    case LINK_TO_DEV_URANDOM: fs::create_symlink("/dev/urandom", path); return true;
    default: return false;
    }
}

// The music's bytes changed by one of the sound library tests' rewriters.
std::string RewriteOgg(const std::string& ogg,
    const std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)>& rewrite)
{
    const std::vector<uint8_t> bytes = rewrite(std::vector<uint8_t>(ogg.begin(), ogg.end()));
    return std::string(bytes.begin(), bytes.end());
}

// The damaged content of a file whose intact bytes are original.
std::string DamageBytes(const std::string& original, Damage damage, uint32_t seed)
{
    switch (damage) {
    case CUT_IN_HALF: return original.substr(0, original.size() / 2);
    case RANDOM_BYTES: {
        std::string bytes(original.size(), '\0');
        uint32_t state = seed;
        for (char& c : bytes) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        return bytes;
    }
    case COMMENT_COUNT: return DamageCommentCount(original);
    case CHUNK_OVERRUN: return MakeOverrunPng();
    case CLAIMS_16384_SQUARE_PALETTE: return MakeClaimingPng(16384, 16384, 1, 3);
    case CLAIMS_8192_SQUARE_RGBA16: return MakeClaimingPng(8192, 8192, 16, 6);
    case INDEX_PAST_PALETTE: return MakeIndexPastPalettePng();
    case MESH_OVER_LIMIT: return MakeFaceLinesObj(OBJ_MAX_FILE_SIZE + 1);
    case MESH_AT_LIMIT: return MakeFaceLinesObj(OBJ_MAX_FILE_SIZE);
    case GRANULES_MINUS_ONE:
    case GRANULES_RANDOM:
    case GRANULES_FROM_A_MILLION:
        return RewriteOgg(original, [damage](const std::vector<uint8_t>& ogg) {
            return RewriteOggGranules(ogg, [damage](size_t page, bool last, uint64_t granule) -> uint64_t {
                if (damage == GRANULES_FROM_A_MILLION)
                    return granule + 1000000;
                return last ? granule : damage == GRANULES_MINUS_ONE ? ~uint64_t(0) : (page + 1) * 0x9E3779B97F4A7C15u;
            });
        });
    case COVER_ART:
        return RewriteOgg(original, [](const std::vector<uint8_t>& ogg) { return AddOggCoverArt(ogg, 8u << 20); });
    default: return "";
    }
}

// Everything halvane-capture printed, and its exit code.
struct CaptureRun {
    int exitCode = -1;
    std::vector<std::string> lines;
};

CaptureRun RunCapture(const std::string& arguments)
{
    CaptureRun run;
    const std::string command = "'" HALVANE_CAPTURE_PROGRAM "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    return run;
}

// Names a case in test logs: the file and its damage.
void PrintTo(const BrokenContentCase& c, std::ostream* out)
{
    *out << c.file << ", " << DAMAGE_NAMES[c.damage];
}

class BrokenContent : public testing::TestWithParam<BrokenContentCase> {};

TEST_P(BrokenContent, ShowSaysWhatTheShowSaysAndRunsToItsEnd)
{
    const BrokenContentCase& c = GetParam();
    const fs::path intact = HALVANE_DATA_DIR;
    const std::string folder = MakeTestDirectory();
    const fs::path data = fs::path(folder) / "data";
    fs::create_directories(data / "png");
    // Every file but the damaged one is the build's own.
    for (const char* file : CONTENT_FILES) {
        ASSERT_TRUE(fs::exists(intact / file)) << file;
        if (file != c.file)
            fs::create_symlink(intact / file, data / file);
    }
    if (c.damage != MISSING && !MakeSpecialFile(data / c.file, c.damage)) {
        const std::string bytes = DamageBytes(ReadBytes(intact / c.file), c.damage,
            static_cast<uint32_t>(std::hash<std::string>()(c.file)));
        ASSERT_TRUE(c.damage == EMPTY || !bytes.empty()) << "no such damage for " << c.file;
        ASSERT_TRUE(WriteBytes(data / c.file, bytes));
    }

    const CaptureRun run = RunCapture("--data '" + data.string() + "' --fps 1 --samples 1 --width 320 --at 180 '"
        + folder + "/last.png'");
    // The renderer's own lines start with its name; all others are messages
    // of the show, or reports of the sanitizers.
    std::vector<std::string> messages;
    std::string all;
    for (const std::string& line : run.lines) {
        all += line + "\n";
        if (line.rfind("halvane-capture", 0) != 0)
            messages.push_back(line);
    }
    // A message about the damaged file names it by its full path.
    std::vector<std::string> expected;
    for (const std::string& message : c.messages) {
        expected.push_back(message);
        if (message == MESH_MISSING[0] || message == MUSIC_REFUSED[0])
            expected.push_back("  file: " + (fs::canonical(data) / c.file).string());
    }
    EXPECT_EQ(messages, expected) << all;
    EXPECT_EQ(run.exitCode, 0) << all;
    EXPECT_NE(all.find("the frame at demo time 180.3"), std::string::npos) << all;
    if (!HasFailure())
        RemoveTestDirectory(folder);
}

std::string NameCase(const testing::TestParamInfo<BrokenContentCase>& info)
{
    std::string name = info.param.file + "_" + DAMAGE_NAMES[info.param.damage];
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Matrix, BrokenContent, testing::ValuesIn(MakeCases()), NameCase);

}  // namespace
