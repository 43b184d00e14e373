// The benchmark of halvane-capture: 300 frames inside each scene's window,
// and the same number of empty frames, each timed from RenderFrame through
// glFinish so the GPU's (llvmpipe's) work counts; the median per pass.
#include "tools/capture/capture_run.h"

#include "platform/gl_api.h"
#include "platform/headless_gl.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"
#include "tools/capture/capture_clock.h"
#include "tools/capture/capture_music.h"
#include "tools/capture/capture_profile.h"
#include "tools/capture/capture_progress.h"
#include "tools/capture/capture_stats.h"

#include <chrono>
#include <cstdio>

// Frames timed per pass.
static const int BENCH_FRAMES = 300;

// One timed span: frames at the capture rate from start, after untimed
// frames from warmFrom (the same as start when nothing needs to build up).
struct BenchSpan {
    const char* name;
    float warmFrom;
    float start;
    bool clockRuns;  // false: every frame at start (the empty frame)
};

// The spans, in show order so the clock only moves forward. Each lies where
// one scene runs alone: the pulse squares late in their window, after their
// squares have gathered from its start; the sphere before its split and
// before the tunnel joins it; the tunnel after the sphere has gone; the
// knots in their middle. The empty frame stays at 161 s: captions only.
static const BenchSpan BENCH_SPANS[] = {
    { "pulse squares (18.5-23.5 s)", 2.0f, 18.5f, true },
    { "split sphere (40-45 s)", 40.0f, 40.0f, true },
    { "star tunnel (75-80 s)", 75.0f, 75.0f, true },
    { "knots (120-125 s)", 120.0f, 120.0f, true },
    { "empty frame (161 s)", 161.0f, 161.0f, false },
};

using BenchClock = std::chrono::steady_clock;

// Draws one frame at the current demo time and waits for it; returns ms.
static double TimeOneFrame()
{
    PositionCaptureMusic();
    BenchClock::time_point t0 = BenchClock::now();
    RenderFrame();
    glFinish();
    return std::chrono::duration<double, std::milli>(BenchClock::now() - t0).count();
}

// Runs one span and returns the median and the slowest frame in ms.
static void RunBenchSpan(const BenchSpan& span, double* median, double* slowest)
{
    static double times[BENCH_FRAMES];
    const float step = GetCaptureFrameStep();
    StartProgress(span.name, span.warmFrom, span.start + step * BENCH_FRAMES);
    // The warm-up frames are drawn in sequence but not timed.
    g_demoTime = span.warmFrom;
    while (g_demoTime < span.start) {
        TimeOneFrame();
        UpdateProgress(g_demoTime);
        StepCaptureClock();
    }
    g_demoTime = span.start;
    for (int i = 0; i < BENCH_FRAMES; ++i) {
        times[i] = TimeOneFrame();
        UpdateProgress(g_demoTime);
        if (span.clockRuns)
            StepCaptureClock();
    }
    FinishProgress();
    *median = GetMedian(times, BENCH_FRAMES);
    *slowest = times[BENCH_FRAMES - 1];
}

int RunCaptureBench(const CaptureOptions& options, double initShowSeconds)
{
    if (!options.profileFile.empty())
        return RunCaptureProfile(options, initShowSeconds);
    StartCaptureClock(options.fps);
    // One untimed frame first: it builds GL's first-use state.
    TimeOneFrame();
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    std::printf("halvane-capture --bench: %dx%d, %d samples per pixel, %d frames per pass at %d frames/s\n"
        "of demo time, RenderFrame through glFinish, milliseconds per frame\n",
        GetHeadlessWidth(), GetHeadlessHeight(), samples, BENCH_FRAMES, options.fps);
    std::printf("  %-30s %8.1f ms  (target under 500)\n", "InitShow", initShowSeconds * 1000.0);
    std::printf("  %-30s %8s %8s\n", "pass", "median", "slowest");
    for (const BenchSpan& span : BENCH_SPANS) {
        double median = 0.0, slowest = 0.0;
        RunBenchSpan(span, &median, &slowest);
        std::printf("  %-30s %8.2f %8.2f%s\n", span.name, median, slowest,
            median > 1000.0 / 60.0 ? "  (over 16.7)" : "");
        std::fflush(stdout);
    }
    return 0;
}
