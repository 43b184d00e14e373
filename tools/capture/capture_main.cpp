// halvane-capture: renders the show without a display, into PNG files, a
// contact sheet or an H.264 video, or times it (--bench, --startup). See
// --help.
//
// Initialization: options, the data folder, a headless GL context of the
// window size (4 samples per pixel unless --samples says otherwise),
// InitShow, the music as a decoding stream.
// Update/Draw: one render pass at a fixed frame rate (capture_run.cpp).
// De-Initialization: music, context, the data folder's link.
#include "platform/headless_gl.h"
#include "platform/host_memory.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"
#include "tools/capture/capture_music.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/capture/capture_startup.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

// The folder made to give a differently named data folder the name "data".
static std::string s_linkFolder;

// Prints a bad-argument message and returns exit code 2.
static int RefuseArguments(const std::string& message)
{
    std::fprintf(stderr, "halvane-capture: %s\nTry 'halvane-capture --help'.\n", message.c_str());
    return 2;
}

// Makes path absolute against the working directory the user started in,
// so that outputs land there even after the data folder moved the cwd.
static bool AnchorOutputPath(std::string* path, bool isFolder, std::string* error)
{
    if (path->empty())
        return true;
    std::error_code ec;
    fs::path absolute = fs::absolute(*path, ec);
    if (ec) {
        *error = "cannot resolve '" + *path + "'";
        return false;
    }
    *path = absolute.lexically_normal().string();
    fs::path parent = isFolder ? absolute : absolute.parent_path();
    if (isFolder) {
        fs::create_directories(parent, ec);
        if (!fs::is_directory(parent)) {
            *error = "cannot create the folder '" + parent.string() + "'";
            return false;
        }
    } else if (!fs::is_directory(parent)) {
        *error = "no folder '" + parent.string() + "' for '" + *path + "'";
        return false;
    }
    return true;
}

// Makes the show's relative "data/..." paths reach dataDir: the cwd becomes
// its parent when it is named data, else a fresh temporary folder holding a
// link named data to it.
static bool EnterDataFolder(const std::string& dataDir, std::string* error)
{
    std::error_code ec;
    fs::path folder = fs::absolute(dataDir, ec).lexically_normal();
    if (ec || !fs::is_directory(folder)) {
        *error = "--data: '" + dataDir + "' is not a folder";
        return false;
    }
    if (folder.has_filename() == false)
        folder = folder.parent_path();
    if (folder.filename() == "data") {
        fs::current_path(folder.parent_path(), ec);
    } else {
        char pattern[] = "/tmp/halvane-capture-XXXXXX";
        if (!mkdtemp(pattern)) {
            *error = "cannot make a temporary folder for the data link";
            return false;
        }
        s_linkFolder = pattern;
        fs::create_directory_symlink(folder, s_linkFolder + "/data", ec);
        if (!ec)
            fs::current_path(s_linkFolder, ec);
    }
    if (ec) {
        *error = "--data: cannot use '" + dataDir + "': " + ec.message();
        return false;
    }
    return true;
}

// Removes the temporary data link, if one was made.
static void LeaveDataFolder()
{
    if (s_linkFolder.empty())
        return;
    std::error_code ec;
    fs::current_path("/", ec);
    fs::remove(s_linkFolder + "/data", ec);
    fs::remove(s_linkFolder, ec);
    s_linkFolder.clear();
}

int main(int argc, char** argv)
{
    TuneHostMemory(argv);
    CaptureOptions options;
    std::string error;
    CaptureParseResult parsed = ParseCaptureOptions(argc, argv, &options, &error);
    if (parsed == CAPTURE_PARSE_HELP) {
        std::fputs(GetCaptureUsage(), stdout);
        return 0;
    }
    if (parsed == CAPTURE_PARSE_ERROR)
        return RefuseArguments(error);
    if (!AnchorOutputPath(&options.atFile, false, &error) || !AnchorOutputPath(&options.sheetFile, false, &error)
        || !AnchorOutputPath(&options.videoFile, false, &error) || !AnchorOutputPath(&options.everyDir, true, &error)
        || !AnchorOutputPath(&options.profileFile, false, &error))
        return RefuseArguments(error);
    if (!options.dataDir.empty() && !EnterDataFolder(options.dataDir, &error))
        return RefuseArguments(error);

    g_displaySettings = options.fourThree ? DISPLAY_4_3 : DISPLAY_16_9;
    if (options.width != 0) {
        const int height = options.width * 9 / 16;
        g_displaySettings = DisplaySettings{ options.width, height, height, 1 };
    }
    // The start-up figures come from child processes that open everything
    // themselves, so this process opens nothing.
    if (options.startup) {
        int status = RunCaptureStartup(options);
        LeaveDataFolder();
        return status;
    }
    if (!OpenHeadlessGl(g_displaySettings.windowWidth, g_displaySettings.windowHeight, options.samples)) {
        std::fprintf(stderr, "halvane-capture: no headless OpenGL context\n");
        LeaveDataFolder();
        return 1;
    }
    auto initStart = std::chrono::steady_clock::now();
    InitShow();
    double initSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - initStart).count();
    OpenCaptureMusic();

    int status = options.bench ? RunCaptureBench(options, initSeconds) : RunCapturePass(options);

    CloseCaptureMusic();
    CloseHeadlessGl();
    LeaveDataFolder();
    return status;
}
