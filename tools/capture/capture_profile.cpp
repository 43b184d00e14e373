// The whole-show frame profile of halvane-capture (see capture_profile.h).
#include "tools/capture/capture_profile.h"

#include "platform/gl_api.h"
#include "platform/headless_gl.h"
#include "timeline/show_frame.h"
#include "timeline/show_state.h"
#include "timeline/show_table.h"
#include "tools/capture/capture_clock.h"
#include "tools/capture/capture_music.h"
#include "tools/capture/capture_progress.h"
#include "tools/capture/capture_stats.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

// A scene window with the short name the table gives it.
struct ProfileScene {
    const SceneWindow* window;
    const char* name;
};

static const ProfileScene PROFILE_SCENES[] = {
    { &PULSE_SQUARES_WINDOW, "squares" },
    { &SPLIT_SPHERE_WINDOW, "sphere" },
    { &STAR_TUNNEL_WINDOW, "tunnel" },
    { &KNOTS_WINDOW, "knots" },
    { &CREDITS_WINDOW, "credits" },
};

int GetProfileStretch(float demoTime)
{
    if (!(demoTime > 0.0f))
        return 0;
    const int stretch = static_cast<int>(std::floor(demoTime / PROFILE_STRETCH_SECONDS));
    return std::min(stretch, PROFILE_STRETCH_COUNT - 1);
}

// The load average over the last minute, or -1 when it cannot be read.
static double ReadLoadAverage()
{
    double load = -1.0;
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1)
            load = -1.0;
        std::fclose(file);
    }
    return load;
}

// CPU time of the whole process so far, in milliseconds.
static double ReadProcessCpuMs()
{
    timespec cpu;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return cpu.tv_sec * 1e3 + cpu.tv_nsec * 1e-6;
}

// Names the scenes whose windows reach into stretch k, e.g. "sphere+tunnel".
static std::string NameStretchScenes(int k)
{
    const double from = k * PROFILE_STRETCH_SECONDS, to = from + PROFILE_STRETCH_SECONDS;
    std::string names;
    for (const ProfileScene& scene : PROFILE_SCENES) {
        if (scene.window->start < to && scene.window->end >= from)
            names += (names.empty() ? "" : "+") + std::string(scene.name);
    }
    return names.empty() ? "captions only" : names;
}

// Prints the table of stretches.
static void PrintProfileTable(const FrameProfile& profile)
{
    std::printf("%s\n", profile.heading.c_str());
    std::printf("  %-13s %6s %8s %8s %8s  %s\n", "stretch", "frames", "median", "slowest", "cpu", "scenes");
    int over = 0;
    for (int k = 0; k < PROFILE_STRETCH_COUNT; ++k) {
        const ProfileStretch& s = profile.stretches[k];
        const bool isOver = s.median > PROFILE_FRAME_BUDGET_MS;
        over += isOver;
        char span[32];
        std::snprintf(span, sizeof span, "%5.0f-%.0f s", k * PROFILE_STRETCH_SECONDS,
            (k + 1) * PROFILE_STRETCH_SECONDS);
        std::printf("  %-13s %6d %8.2f %8.2f %8.2f  %s%s\n", span, s.frames, s.median, s.slowest, s.cpuMedian,
            NameStretchScenes(k).c_str(), isOver ? "  (over 16.7)" : "");
    }
    std::printf("  %d of %d stretches over 16.7 ms\n", over, PROFILE_STRETCH_COUNT);
}

int RunCaptureProfile(const CaptureOptions& options, double initShowSeconds)
{
    using Clock = std::chrono::steady_clock;
    StartCaptureClock(options.fps);
    // About 60 frames per second for 180 s, one more for rounding.
    std::vector<double> times[PROFILE_STRETCH_COUNT], cpuTimes[PROFILE_STRETCH_COUNT];
    const size_t perStretch = static_cast<size_t>(options.fps * PROFILE_STRETCH_SECONDS) + 2;
    for (int k = 0; k < PROFILE_STRETCH_COUNT; ++k) {
        times[k].reserve(perStretch);
        cpuTimes[k].reserve(perStretch);
    }

    const double loadBefore = ReadLoadAverage();
    StartProgress("halvane-capture --profile", 0.3, END_TIME);
    for (int k = 0;; ++k) {
        if (k > 0)
            StepCaptureClock();
        PositionCaptureMusic();
        const double cpu0 = ReadProcessCpuMs();
        const Clock::time_point t0 = Clock::now();
        RenderFrame();
        glFinish();
        const int stretch = GetProfileStretch(g_demoTime);
        times[stretch].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        cpuTimes[stretch].push_back(ReadProcessCpuMs() - cpu0);
        UpdateProgress(g_demoTime);
        if (IsLastShowFrame())
            break;
    }
    FinishProgress();
    const double loadAfter = ReadLoadAverage();

    FrameProfile profile;
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    char heading[256];
    std::snprintf(heading, sizeof heading,
        "halvane-capture --bench --profile: %dx%d, %d samples per pixel, %d frames/s of demo time,\n"
        "RenderFrame through glFinish, ms per frame (cpu: all threads); InitShow %.0f ms; load average %.1f before, %.1f after",
        GetHeadlessWidth(), GetHeadlessHeight(), samples, options.fps, initShowSeconds * 1000.0,
        loadBefore, loadAfter);
    profile.heading = heading;
    for (int k = 0; k < PROFILE_STRETCH_COUNT; ++k) {
        std::vector<double>& t = times[k];
        ProfileStretch& s = profile.stretches[k];
        s.frames = static_cast<int>(t.size());
        s.slowest = t.empty() ? 0.0 : *std::max_element(t.begin(), t.end());
        s.median = GetMedian(t.data(), s.frames);
        s.cpuMedian = GetMedian(cpuTimes[k].data(), s.frames);
    }
    PrintProfileTable(profile);
    std::fflush(stdout);
    if (!DrawProfilePlot(profile, options.profileFile))
        return 1;
    std::fprintf(stderr, "halvane-capture: %s: the frame-time plot\n", options.profileFile.c_str());
    return 0;
}
