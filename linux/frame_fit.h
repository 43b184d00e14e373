// Where the show's fixed-size frame goes in a window of another size: as
// large as it fits with its shape kept, centred, black bars around it.
// Plain arithmetic, so the tests can run it.
#pragma once

// A rectangle in window pixels, origin at the bottom left (GL's way).
struct FrameRect {
    int x;
    int y;
    int width;
    int height;
};

// The largest rectangle of the frame's shape that fits the target, centred
// (an odd leftover pixel goes to the right or top bar). A target with no
// area gives an empty rectangle.
FrameRect FitFrame(int frameWidth, int frameHeight, int targetWidth, int targetHeight);
