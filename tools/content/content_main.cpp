// halvane-content: generates everything the show reads from data/ and the
// title bitmap of the setup dialog. The same program writes the same bytes
// on every run: no clocks, no random seeds, fixed fonts and fixed encoders.
//
//   halvane-content --out DIR [--only-visuals | --only-music] [--report-words]
//
// writes DIR/data/*.obj, DIR/data/png/*.png, DIR/data/<music>.ogg,
// DIR/resources/title.bmp and the icon under DIR/resources/icons/hicolor/.
#include "tools/content/content_images.h"
#include "tools/content/content_meshes.h"
#include "tools/content/text_paint.h"

#ifdef HALVANE_HAVE_MUSIC_GEN
#include "tools/content/music/music_gen.h"
#endif

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

static const char* const MUSIC_FILE = "vx - orrin lumo.ogg";

// Seconds since start, for the progress lines.
static double MeasureSeconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Creates directory path and its parents; false (with a message) on failure.
static bool MakeDirectory(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error)
        return true;
    std::fprintf(stderr, "halvane-content: cannot create %s: %s\n", path.c_str(), error.message().c_str());
    return false;
}

// Writes the meshes, the twelve pictures, the title bitmap and the icon.
static bool WriteVisuals(const std::string& out)
{
    const std::string data = out + "/data", png = data + "/png", resources = out + "/resources";
    if (!MakeDirectory(png) || !MakeDirectory(resources))
        return false;
    for (const char* family : { "DejaVu Sans", "DejaVu Sans Bold" })
        if (!IsFontInstalled(family))
            std::fprintf(stderr, "halvane-content: warning: font \"%s\" is missing (fonts-dejavu-core); "
                                 "the pictures use a stand-in\n", family);
    const auto start = std::chrono::steady_clock::now();
    bool written = WriteShowMeshes(data.c_str());
    written &= WriteCaptionImages(out.c_str());
    written &= WriteCreditsImage((png + "/credits.png").c_str());
    written &= WriteTitleBitmap((resources + "/title.bmp").c_str());
    written &= WriteIcons((resources + "/icons").c_str());
    std::printf("halvane-content: meshes and pictures in %.2f s\n", MeasureSeconds(start));
    return written;
}

// Writes the music track, when this build has the music part.
static bool WriteMusic(const std::string& out)
{
#ifdef HALVANE_HAVE_MUSIC_GEN
    const std::string data = out + "/data";
    if (!MakeDirectory(data))
        return false;
    const auto start = std::chrono::steady_clock::now();
    const std::string path = data + "/" + MUSIC_FILE;
    if (!GenerateMusic(path.c_str())) {
        std::fprintf(stderr, "halvane-content: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("halvane-content: music in %.2f s\n", MeasureSeconds(start));
    return true;
#else
    (void)out;
    std::printf("halvane-content: this build has no music part; \"%s\" not written\n", MUSIC_FILE);
    return true;
#endif
}

// Prints the command line's form.
static void PrintUsage()
{
    std::fprintf(stderr,
                 "usage: halvane-content --out DIR [--only-visuals | --only-music] [--report-words]\n");
}

// Reads the command line and writes what it asks for.
int main(int argc, char** argv)
{
    std::string out;
    bool visuals = true, music = true, report = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (std::strcmp(argv[i], "--only-visuals") == 0) {
            music = false;
        } else if (std::strcmp(argv[i], "--only-music") == 0) {
            visuals = false;
        } else if (std::strcmp(argv[i], "--report-words") == 0) {
            report = true;
        } else {
            PrintUsage();
            return 2;
        }
    }
    if (report) {
        ReportCaptionWords();
        if (out.empty())
            return 0;
    }
    if (out.empty() || (!visuals && !music)) {
        PrintUsage();
        return 2;
    }
    bool written = true;
    if (visuals)
        written &= WriteVisuals(out);
    if (music)
        written &= WriteMusic(out);
    return written ? 0 : 1;
}
