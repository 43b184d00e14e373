// The offline renderer's frame clock: a fixed frame rate instead of the
// performance counter, accumulated into g_demoTime the way the show's own
// frame step does it.
#pragma once

// Sets g_demoTime to the first frame's 0.3 and the step to 1/fps.
void StartCaptureClock(int fps);

// Advances g_demoTime by one frame step, g_demoTime += (float)(1.0 / fps),
// the sum stored in single precision like the show's frame step. Frame k
// therefore lies within a few milliseconds of 0.3 + k / fps.
void StepCaptureClock();

// The step added per frame, (float)(1.0 / fps).
float GetCaptureFrameStep();

// True once the current frame is the first at or after target: the
// comparison is made on single-precision values, like the show's own
// constants, so a target of 162.8 means the float 162.8f.
bool HasCaptureClockReached(double target);

// True when the current frame is the show's last: the first at or after
// END_TIME, which the show still draws.
bool IsLastShowFrame();
