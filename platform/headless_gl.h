// An off-screen OpenGL context for hosts without a display: the offline
// renderer and the tests that read back pixels. Mesa through EGL on its
// surfaceless platform, a desktop-GL compatibility context drawing into a
// pbuffer of the requested size. libGL and DevIL's GL layer dispatch to it
// through glvnd like to any other current context.
#pragma once

#include <cstdint>

// Creates the context with a colour buffer of width x height (RGBA8) and a
// 16-bit depth buffer, and makes it current on the calling thread. samples > 1
// asks for a multisampled buffer and falls back to none when Mesa has no such
// config. Returns false, with a reason on stderr, when no context can be made.
bool OpenHeadlessGl(int width, int height, int samples);

// Reads the whole colour buffer as RGBA bytes, bottom row first (GL's order),
// into rgba, which must hold width * height * 4 bytes. Finishes drawing first.
void ReadHeadlessPixels(uint8_t* rgba);

// Width and height of the open context's colour buffer (0 when closed).
int GetHeadlessWidth();
int GetHeadlessHeight();

// Releases the context and its surface; safe when none is open.
void CloseHeadlessGl();
