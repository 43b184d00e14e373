// Fitting the show's frame into a window (see frame_fit.h).
#include "linux/frame_fit.h"

#include <cstdint>

FrameRect FitFrame(int frameWidth, int frameHeight, int targetWidth, int targetHeight)
{
    FrameRect rect = { 0, 0, 0, 0 };
    if (frameWidth <= 0 || frameHeight <= 0 || targetWidth <= 0 || targetHeight <= 0)
        return rect;
    // Compare the two aspect ratios exactly, in integers: the side that
    // binds fills the target, the other is scaled and rounded to nearest.
    const int64_t wideBinds = static_cast<int64_t>(targetWidth) * frameHeight;
    const int64_t tallBinds = static_cast<int64_t>(targetHeight) * frameWidth;
    if (wideBinds <= tallBinds) {
        rect.width = targetWidth;
        rect.height = static_cast<int>((wideBinds * 2 + frameWidth) / (2 * static_cast<int64_t>(frameWidth)));
    } else {
        rect.height = targetHeight;
        rect.width = static_cast<int>((tallBinds * 2 + frameHeight) / (2 * static_cast<int64_t>(frameHeight)));
    }
    rect.x = (targetWidth - rect.width) / 2;
    rect.y = (targetHeight - rect.height) / 2;
    return rect;
}
