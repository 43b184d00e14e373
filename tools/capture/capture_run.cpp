// The render pass of halvane-capture (see capture_run.h): one sequence of
// frames, each read back only when an output wants it.
#include "tools/capture/capture_run.h"

#include "platform/gl_api.h"
#include "platform/headless_gl.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"
#include "tools/capture/capture_clock.h"
#include "tools/capture/capture_image.h"
#include "tools/capture/capture_music.h"
#include "tools/capture/capture_progress.h"
#include "tools/capture/capture_video.h"

#include "audio/music.h"

#include <cstdio>
#include <vector>

// Outputs still waiting for frames, and the buffers they share.
struct CapturePass {
    const CaptureOptions* options = nullptr;
    bool atPending = false;
    int everyNext = 0;
    int everyCount = 0;
    int sheetNext = 0;
    int sheetCount = 0;
    bool video = false;
    std::vector<uint8_t> readback;
    RgbImage frame;
    ContactSheet sheet;
};

// The demo time up to which the outputs need frames.
static double GetPassEndTime(const CaptureOptions& options)
{
    if (!options.videoFile.empty() || !options.sheetFile.empty())
        return options.untilTime;
    double end = 0.3;
    if (options.hasAt && options.atTime > end)
        end = options.atTime;
    if (options.hasEvery) {
        double last = GetEveryTarget(options, CountEveryTargets(options) - 1);
        if (last > end)
            end = last;
    }
    return end;
}

// True when the current frame is wanted by a picture output or the video.
static bool IsFrameWanted(const CapturePass& pass)
{
    const CaptureOptions& o = *pass.options;
    return pass.video
        || (pass.atPending && HasCaptureClockReached(o.atTime))
        || (pass.everyNext < pass.everyCount && HasCaptureClockReached(GetEveryTarget(o, pass.everyNext)))
        || (pass.sheetNext < pass.sheetCount && HasCaptureClockReached(GetSheetTarget(pass.sheetNext)));
}

// True while some output still needs a later frame.
static bool IsPassPending(const CapturePass& pass)
{
    return pass.video || pass.atPending || pass.everyNext < pass.everyCount || pass.sheetNext < pass.sheetCount;
}

// Hands the frame just read back to every output whose target it reaches.
// Returns false when a file could not be written.
static bool DeliverFrame(CapturePass* pass)
{
    const CaptureOptions& o = *pass->options;
    bool ok = true;
    // Picture files may have something to say (written, or failed), which
    // must start on a line of its own; video frames pass silently.
    if ((pass->atPending && HasCaptureClockReached(o.atTime))
        || (pass->everyNext < pass->everyCount && HasCaptureClockReached(GetEveryTarget(o, pass->everyNext))))
        ClearProgressLine();
    if (pass->video && !WriteVideoFrame(pass->frame.pixels.data())) {
        ClearProgressLine();
        std::fprintf(stderr, "halvane-capture: ffmpeg stopped taking frames\n");
        pass->video = false;
        ok = false;
    }
    if (pass->atPending && HasCaptureClockReached(o.atTime)) {
        pass->atPending = false;
        if (WritePngFile(o.atFile, pass->frame))
            std::fprintf(stderr, "halvane-capture: %s: the frame at demo time %.4f s\n", o.atFile.c_str(), g_demoTime);
        else
            ok = false;
    }
    // A step shorter than a frame lets several targets share one frame.
    while (pass->everyNext < pass->everyCount && HasCaptureClockReached(GetEveryTarget(o, pass->everyNext))) {
        char name[32];
        std::snprintf(name, sizeof name, "/t%08.3f.png", GetEveryTarget(o, pass->everyNext));
        ok = WritePngFile(o.everyDir + name, pass->frame) && ok;
        ++pass->everyNext;
    }
    while (pass->sheetNext < pass->sheetCount && HasCaptureClockReached(GetSheetTarget(pass->sheetNext))) {
        AddSheetThumbnail(&pass->sheet, pass->sheetNext, pass->frame, g_demoTime);
        ++pass->sheetNext;
    }
    return ok;
}

int RunCapturePass(const CaptureOptions& options)
{
    const int width = GetHeadlessWidth(), height = GetHeadlessHeight();
    CapturePass pass;
    pass.options = &options;
    pass.atPending = options.hasAt;
    pass.everyCount = options.hasEvery ? CountEveryTargets(options) : 0;
    pass.sheetCount = options.sheetFile.empty() ? 0 : CountSheetTargets(options);
    pass.readback.resize(static_cast<size_t>(width) * height * 4);
    ResizeRgbImage(&pass.frame, width, height, 255, 255, 255);
    if (pass.sheetCount > 0)
        StartContactSheet(&pass.sheet, width, height, pass.sheetCount);

    if (!options.videoFile.empty()) {
        FILE* music = std::fopen(MUSIC_FILE, "rb");
        if (music)
            std::fclose(music);
        else
            std::fprintf(stderr, "halvane-capture: no \"%s\"; the video will be silent\n", MUSIC_FILE);
        if (!OpenVideoPipe(options.videoFile, width, height, options.fps, music ? MUSIC_FILE : ""))
            return 1;
        pass.video = true;
    }

    bool ok = true;
    StartCaptureClock(options.fps);
    StartProgress("halvane-capture", 0.3, GetPassEndTime(options));
    for (int k = 0;; ++k) {
        if (k > 0)
            StepCaptureClock();
        PositionCaptureMusic();
        RenderFrame();
        // The show's SwapBuffers ends each frame; without one, Mesa keeps
        // every frame's work queued and memory grows by the frame.
        glFlush();
        if (IsFrameWanted(pass)) {
            ReadHeadlessPixels(pass.readback.data());
            ConvertReadbackToRgb(pass.readback.data(), &pass.frame);
            ok = DeliverFrame(&pass) && ok;
        }
        UpdateProgress(g_demoTime);
        // The show's last frame is the first at or after its end time.
        if (IsLastShowFrame() || !IsPassPending(pass) || HasCaptureClockReached(options.untilTime))
            break;
    }
    FinishProgress();

    if (!options.videoFile.empty()) {
        bool encoded = CloseVideoPipe() && pass.video;
        if (encoded)
            std::fprintf(stderr, "halvane-capture: %s: %s\n", options.videoFile.c_str(), "video written");
        ok = encoded && ok;
    }
    if (pass.sheetCount > 0) {
        if (WritePngFile(options.sheetFile, pass.sheet.image))
            std::fprintf(stderr, "halvane-capture: %s: contact sheet of %d frames\n",
                options.sheetFile.c_str(), pass.sheetCount);
        else
            ok = false;
    }
    return ok ? 0 : 1;
}
