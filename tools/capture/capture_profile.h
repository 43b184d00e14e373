// halvane-capture --bench --profile FILE.png: the frame time of the whole
// show, every frame drawn in sequence at the capture rate and timed from
// RenderFrame through glFinish, summarised as the median of each 5 s stretch
// of demo time, printed as a table and drawn as a plot with the 60 frames/s
// line and the scene windows.
#pragma once

#include "tools/capture/capture_options.h"

#include <string>

// Length of one stretch in seconds of demo time, and how many the show has:
// 0-5 s, 5-10 s, ... 175-180 s.
constexpr double PROFILE_STRETCH_SECONDS = 5.0;
constexpr int PROFILE_STRETCH_COUNT = 36;

// The frame time that 60 frames per second allow, in milliseconds.
constexpr double PROFILE_FRAME_BUDGET_MS = 1000.0 / 60.0;

// The stretch a frame at demoTime counts in: whole 5 s steps from 0, the
// show's last frame (at or just after 180 s) in the last stretch, a time
// before 0 in the first.
int GetProfileStretch(float demoTime);

// The median, the slowest frame and the frame count of each stretch, and
// the median CPU time of the process per frame (llvmpipe's threads
// included): on a busy machine the wall clock also counts the waiting for a
// core, the CPU time only the work.
struct ProfileStretch {
    double median;
    double slowest;
    double cpuMedian;
    int frames;
};

// Everything the plot shows; the table is printed from the same record.
struct FrameProfile {
    ProfileStretch stretches[PROFILE_STRETCH_COUNT];
    std::string heading;   // what was measured: size, samples, rate, load
};

// Draws profile as a PNG plot to path; false (with a reason on stderr) when
// the file cannot be written.
bool DrawProfilePlot(const FrameProfile& profile, const std::string& path);

// Times every frame of the show and prints the table; writes the plot to
// options.profileFile. Returns the exit code.
int RunCaptureProfile(const CaptureOptions& options, double initShowSeconds);
