// The viewport and projection the render window sets for its size. GL only,
// so the Linux tests can run it on a headless context.
#pragma once

// A square viewport as wide as the window, centred vertically, with a
// 45-degree perspective of aspect 1. A zero width gives an empty viewport and
// still aspect 1. Ends in GL_MODELVIEW with the identity loaded.
void ResizeViewport(int width, int height);
