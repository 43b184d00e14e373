// The render pass of halvane-capture (see capture_run.h): one sequence of
// frames, each read back only when an output wants it. A video frame is read
// as BGRA, the colour buffer's own order (a plain copy for Mesa, where RGBA
// costs a swizzle of every pixel), and handed to the video's writer thread,
// which converts and writes it while the next frame is drawn. Reading back
// waits for the frame in any case: Mesa's software rasteriser finishes a
// frame before anything reads it, pixel buffers included (measured: a
// glReadPixels into a pixel buffer returns no sooner than one into memory).
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

#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <filesystem>
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
    int videoFrames = 0;
    uint64_t soundSent = 0;    // sample frames handed over with the frames
    std::vector<int16_t> sound;
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

// True when the current frame is wanted by a picture output.
static bool IsPictureWanted(const CapturePass& pass)
{
    const CaptureOptions& o = *pass.options;
    return (pass.atPending && HasCaptureClockReached(o.atTime))
        || (pass.everyNext < pass.everyCount && HasCaptureClockReached(GetEveryTarget(o, pass.everyNext)))
        || (pass.sheetNext < pass.sheetCount && HasCaptureClockReached(GetSheetTarget(pass.sheetNext)));
}

// True while some output still needs a later frame.
static bool IsPassPending(const CapturePass& pass)
{
    return pass.video || pass.atPending || pass.everyNext < pass.everyCount || pass.sheetNext < pass.sheetCount;
}

// Hands one read-back frame (BGRA, bottom row first) to the video with the
// sound up to GetVideoSoundEnd: the music starts with the first frame, as
// it does when the demo clock reads 0.3. Returns false, once, when ffmpeg
// has stopped taking frames.
static bool SendVideoFrame(CapturePass* pass, const uint8_t* rgba)
{
    if (!pass->video)
        return true;
    const uint64_t soundEnd = GetVideoSoundEnd(pass->videoFrames + 1);
    const int soundFrames = static_cast<int>(soundEnd - pass->soundSent);
    ReadCaptureSound(pass->sound.data(), soundFrames);
    pass->soundSent = soundEnd;
    if (WriteVideoFrame(rgba, pass->sound.data(), soundFrames)) {
        ++pass->videoFrames;
        return true;
    }
    ClearProgressLine();
    std::fprintf(stderr, "halvane-capture: ffmpeg stopped taking frames\n");
    pass->video = false;
    return false;
}

// Reads the frame just drawn as BGRA, bottom row first, into bgra.
static void ReadFrameBgra(uint8_t* bgra)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, GetHeadlessWidth(), GetHeadlessHeight(), GL_BGRA, GL_UNSIGNED_BYTE, bgra);
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
    if (pass->video) {
        ReadFrameBgra(pass->readback.data());
        ok = SendVideoFrame(pass, pass->readback.data()) && ok;
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

// Says what the video cost: wall time against the show's own, the CPU time
// of this process (drawing, read back, the pipe) and of ffmpeg, and its size.
static void ReportVideo(const CaptureOptions& options, int frames, std::chrono::steady_clock::time_point started,
    double encoderSeconds)
{
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double shown = static_cast<double>(frames) / options.fps;
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + 1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(options.videoFile, ec);
    std::fprintf(stderr, "halvane-capture: %s: video written: %d frames (%.1f s) in %.1f s, %.2f x real time;\n"
        "  CPU %.1f s here (drawing, read back; %ld page faults), %.1f s ffmpeg; %.1f MB\n",
        options.videoFile.c_str(), frames, shown, wall, shown > 0.0 ? wall / shown : 0.0,
        cpu, usage.ru_minflt + usage.ru_majflt, encoderSeconds, ec ? 0.0 : bytes / 1e6);
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
        // The sound is what the library plays, never the file behind its
        // back: a file it refuses gives a silent track of the full length.
        if (!OpenCaptureSound())
            std::fprintf(stderr, "halvane-capture: \"%s\" does not play; the video will be silent\n", MUSIC_FILE);
        const std::string& settings = options.x264Settings.empty() ? DEFAULT_X264_SETTINGS : options.x264Settings;
        if (!OpenVideoPipe(options.videoFile, width, height, options.fps, GetCaptureSoundRate(), settings))
            return 1;
        pass.sound.resize(static_cast<size_t>(GetVideoSoundFramesPerFrame()) * 2);
        pass.video = true;
    }

    bool ok = true;
    const auto started = std::chrono::steady_clock::now();
    StartCaptureClock(options.fps);
    StartProgress("halvane-capture", 0.3, GetPassEndTime(options));
    for (int k = 0;; ++k) {
        if (k > 0)
            StepCaptureClock();
        PositionCaptureMusic();
        RenderFrame();
        if (IsPictureWanted(pass)) {
            ReadHeadlessPixels(pass.readback.data());
            ConvertReadbackToRgb(pass.readback.data(), &pass.frame);
            ok = DeliverFrame(&pass) && ok;
        } else if (pass.video) {
            ReadFrameBgra(pass.readback.data());
            ok = SendVideoFrame(&pass, pass.readback.data()) && ok;
        } else {
            // The show's SwapBuffers ends each frame; without one, Mesa keeps
            // every frame's work queued and memory grows by the frame.
            glFlush();
        }
        UpdateProgress(g_demoTime);
        // The show's last frame is the first at or after its end time.
        if (IsLastShowFrame() || !IsPassPending(pass) || HasCaptureClockReached(options.untilTime))
            break;
    }
    FinishProgress();

    if (!options.videoFile.empty()) {
        double encoderSeconds = 0.0;
        bool encoded = CloseVideoPipe(&encoderSeconds) && pass.video;
        if (encoded)
            ReportVideo(options, pass.videoFrames, started, encoderSeconds);
        if (encoded && HasCaptureSoundEnded() && GetCaptureSoundSeconds() < static_cast<double>(pass.videoFrames) / options.fps)
            std::fprintf(stderr, "halvane-capture: the music ends after %.2f s; the video is silent from there\n",
                GetCaptureSoundSeconds());
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
