// The offline renderer's render pass: the show drawn in sequence from its
// first frame at a fixed rate, feeding every output asked for, and the
// benchmark, which times frames inside each scene's window.
#pragma once

#include "tools/capture/capture_options.h"

// Renders the frames the outputs need (the GL context, InitShow and the
// music are set up already) and writes them. Paths in options must already
// be usable from the working directory. Returns the exit code: 0, or 1 when
// a file or the video could not be written.
int RunCapturePass(const CaptureOptions& options);

// Times frames inside each scene's window and an empty frame, and prints the
// medians together with initShowSeconds. Returns the exit code.
int RunCaptureBench(const CaptureOptions& options, double initShowSeconds);
