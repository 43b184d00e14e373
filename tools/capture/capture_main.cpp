// halvane-capture: renders the show without a display, into PNG files, a
// contact sheet or an H.264 video, or times it (--bench, --startup). See
// --help.
//
// Initialization: options, the data folder (--data, or found where the
// player finds its own), a headless GL context of the window size (4
// samples per pixel unless --samples says otherwise), InitShow, the music
// as a decoding stream.
// Update/Draw: one render pass at a fixed frame rate (capture_run.cpp).
// De-Initialization: music, context, the data folder's link.
#include "platform/data_folder.h"
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
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

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

int main(int argc, char** argv)
{
    TuneHostMemory();
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
    // A --data that cannot be used is a bad argument; no content found where
    // the player would find it is a failure to render.
    if (!EnterDataFolder(options.dataDir, &error)) {
        if (!options.dataDir.empty())
            return RefuseArguments(error);
        std::fprintf(stderr, "halvane-capture: %s\n", error.c_str());
        return 1;
    }

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
