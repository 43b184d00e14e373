// The timeline's two entry points for a host: one-time set-up per GL context
// and the drawing of one frame at the current demo time.
#pragma once

// Sets the show viewport and projection and the fixed GL state, and loads
// every image and mesh; leaves texturing off. Needs a current GL context.
// Always returns true.
bool InitShow();

// Draws one frame at g_demoTime: the scenes whose windows contain it, the
// credits, the captions and, for a 1024-wide window, the letterbox bars.
void RenderFrame();

// Draws the two black bars of the 4:3 setting and sets the show viewport and
// projection up again.
void DrawLetterboxBars();

// Sets glViewport to the 16:9 show viewport inside the window, and the
// 45-degree show projection; ends in GL_MODELVIEW with the identity loaded.
void ApplyShowViewport();
