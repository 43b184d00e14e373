// The fixed-rate frame clock of the offline renderer (see capture_clock.h).
#include "tools/capture/capture_clock.h"

#include "timeline/show_state.h"

#include <cassert>

// The per-frame step in seconds, as the show would measure it at this rate.
static float s_frameStep = 1.0f / 60.0f;

void StartCaptureClock(int fps)
{
    assert(fps > 0);
    s_frameStep = static_cast<float>(1.0 / fps);
    g_demoTime = 0.3f;
}

void StepCaptureClock()
{
    // Single precision on purpose: the show sums its frame times this way.
    g_demoTime = g_demoTime + s_frameStep;
}

float GetCaptureFrameStep()
{
    return s_frameStep;
}

bool HasCaptureClockReached(double target)
{
    return g_demoTime >= static_cast<float>(target);
}

bool IsLastShowFrame()
{
    return g_demoTime >= END_TIME;
}
