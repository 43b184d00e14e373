// How the show's fixed-size frame (1280 x 720, or 1024 x 768 for 4:3) gets
// onto a window of any size. The core draws with fixed viewports in frame
// pixels, so when the window's drawable is exactly the frame's size it draws
// straight into the window; otherwise it draws into an offscreen frame of
// the frame's size (multisampled like the window), which is then scaled into
// the window as large as it fits, with black bars around it. Needs the
// window's GL context current.
#pragma once

#include "linux/shell_state.h"

// Binds the framebuffer the next RenderFrame draws into, for a drawable of
// this size: the window's own, or the offscreen frame (made on first use).
void BeginShowFrame(const RenderWindow& record, int drawableWidth, int drawableHeight);

// After RenderFrame: puts an offscreen frame onto the window, scaled, with
// the bars cleared black; leaves the window's framebuffer bound. Nothing to
// do when the frame was drawn straight into the window.
void EndShowFrame(int drawableWidth, int drawableHeight);

// Deletes the offscreen frame; before the GL context goes.
void ReleaseShowFrame();
