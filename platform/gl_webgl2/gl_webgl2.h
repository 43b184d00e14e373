// The browser host's GL 1.x layer over WebGL 2: what the web shell calls
// around the core's drawing. The core itself calls the GL 1.x and GLU
// entry points this layer defines (gl_state.cpp, gl_matrices.cpp,
// gl_immediate.cpp, gl_textures.cpp, glu_web.cpp); the WebGL 2 side lives in
// webgl2_device.js.
//
// Model: every glBegin/glEnd is transformed on the CPU to clip space and
// split into triangles (quads, strips, fans, polygons, GL_LINE polygon mode
// as each polygon's own edges, wide lines as screen-space quads) or points,
// appended to one stream of vertices for the frame together with a list of
// draw and clear commands; EndGlFrame hands the frame to WebGL 2 in one
// upload. Textures go to WebGL at once.
#pragma once

// Creates the WebGL 2 context on the page's canvas (id "halvane") with a
// frame of width x height pixels: a four-sample buffer (or fewer when the
// browser offers fewer) and a single-sample one, each with depth. Returns
// the samples obtained (4 normally), or -1 when the browser has no WebGL 2.
int CreateWebGlContext(int width, int height);

// Starts recording a frame: an empty stream.
void BeginGlFrame();

// Draws the recorded frame into the frame buffer chosen by the frame's
// GL_MULTISAMPLE switch and puts it on the canvas.
void EndGlFrame();

// While off, draws are left out (state, matrices and textures still
// follow the calls): frames that only advance the show are not drawn.
void SetGlDrawing(bool drawing);
