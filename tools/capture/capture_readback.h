// Reading rendered frames back without waiting for them: each frame's colour
// buffer is copied into the next of a ring of pixel buffer objects, and a
// frame is mapped only once later frames have been queued behind it. The
// copy is queued work for the rasteriser like the frame itself, so the
// drawing of the next frame overlaps the copy of this one instead of
// waiting for it (glReadPixels into client memory would finish the frame
// first). The pixels come out as ReadHeadlessPixels gives them: RGBA bytes,
// bottom row first.
#pragma once

#include <cstdint>

// Frames in flight: one being drawn, the others being copied or waiting to
// be taken.
constexpr int READBACK_RING_SIZE = 3;

// Makes the ring for the open headless context's size. False when the
// context has no pixel buffer objects; the caller then reads synchronously.
bool OpenReadbackRing();

// Queues the read of the frame just drawn, tagged with its demo time. The
// ring must not be full.
void QueueFrameReadback(float demoTime);

// Number of frames queued and not yet taken.
int CountQueuedReadbacks();

// Maps the oldest queued frame (waiting for its copy if need be) and returns
// its pixels, valid until ReleaseOldestReadback; demoTime receives its tag.
const uint8_t* MapOldestReadback(float* demoTime);

// Unmaps the oldest frame and frees its place in the ring.
void ReleaseOldestReadback();

// Deletes the ring's buffers; safe when none were made.
void CloseReadbackRing();
