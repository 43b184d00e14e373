// Viewport and projection for a window size, applied on creation and on
// every restore or maximise of the render window.
#include "app/resize_viewport.h"

#include "platform/gl_api.h"

// Square viewport and aspect-1 projection for a window of this size.
void ResizeViewport(int width, int height)
{
    // Integer division truncating toward zero: 1280 x 720 gives y = -280.
    glViewport(0, (height - width) / 2, width, width);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The aspect is the viewport's width over itself, which is 1; a window
    // reported with zero width (WM_SIZE while it is collapsed) must not
    // turn it into 0/0, so it is taken as 1 directly.
    const double aspect = width != 0 ? static_cast<double>(width) / width : 1.0;
    gluPerspective(45.0, aspect, 0.5, 5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
