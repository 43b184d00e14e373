// The stderr progress bar (see capture_progress.h).
#include "tools/capture/capture_progress.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

using ProgressClock = std::chrono::steady_clock;

// The running job: its span of demo time, its start, what was last shown.
static struct {
    const char* what = "";
    double startTime = 0.0;
    double endTime = 0.0;
    double lastTime = 0.0;
    ProgressClock::time_point started;
    ProgressClock::time_point lastDrawn;
    int frames = 0;
    int lastTenth = -1;
    bool shown = false;
    bool terminal = false;
} s_progress;

// Seconds since t.
static double SecondsSince(ProgressClock::time_point t)
{
    return std::chrono::duration<double>(ProgressClock::now() - t).count();
}

void StartProgress(const char* what, double startTime, double endTime)
{
    s_progress.what = what;
    s_progress.startTime = startTime;
    s_progress.endTime = endTime;
    s_progress.lastTime = startTime;
    s_progress.started = ProgressClock::now();
    s_progress.lastDrawn = s_progress.started;
    s_progress.frames = 0;
    s_progress.lastTenth = -1;
    s_progress.shown = false;
    s_progress.terminal = isatty(STDERR_FILENO) != 0;
}

void UpdateProgress(double demoTime)
{
    ++s_progress.frames;
    s_progress.lastTime = demoTime;
    double elapsed = SecondsSince(s_progress.started);
    if (elapsed < 1.0)
        return;
    double span = s_progress.endTime - s_progress.startTime;
    double fraction = span > 0.0 ? (demoTime - s_progress.startTime) / span : 1.0;
    fraction = fraction < 0.0 ? 0.0 : (fraction > 1.0 ? 1.0 : fraction);
    double fps = s_progress.frames / elapsed;
    if (s_progress.terminal) {
        if (s_progress.shown && SecondsSince(s_progress.lastDrawn) < 0.1)
            return;
        const int WIDTH = 30;
        char bar[WIDTH + 1];
        int filled = static_cast<int>(fraction * WIDTH);
        for (int i = 0; i < WIDTH; ++i)
            bar[i] = i < filled ? '#' : '.';
        bar[WIDTH] = '\0';
        double left = fraction > 0.0 ? elapsed * (1.0 - fraction) / fraction : 0.0;
        std::fprintf(stderr, "\r%s [%s] %3d%%  %7.2f s  %5.1f frames/s  %4.0f s left ",
            s_progress.what, bar, static_cast<int>(fraction * 100.0), demoTime, fps, left);
        s_progress.lastDrawn = ProgressClock::now();
    } else {
        int tenth = static_cast<int>(fraction * 10.0);
        if (tenth == s_progress.lastTenth)
            return;
        s_progress.lastTenth = tenth;
        std::fprintf(stderr, "%s: %3d%%  %7.2f s  %5.1f frames/s\n", s_progress.what, tenth * 10, demoTime, fps);
    }
    s_progress.shown = true;
}

void ClearProgressLine()
{
    if (s_progress.shown && s_progress.terminal)
        std::fprintf(stderr, "\r%*s\r", 100, "");
}

void FinishProgress()
{
    if (!s_progress.shown)
        return;
    double elapsed = SecondsSince(s_progress.started);
    std::fprintf(stderr, "%s%s: %d frames up to %.2f s in %.1f s (%.1f frames/s)\n",
        s_progress.terminal ? "\n" : "", s_progress.what, s_progress.frames, s_progress.lastTime,
        elapsed, elapsed > 0.0 ? s_progress.frames / elapsed : 0.0);
    s_progress.shown = false;
}
