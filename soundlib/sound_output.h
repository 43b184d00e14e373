// Output backends of the sound library: what each platform must supply to
// play the mix, and the "no sound" device that plays by the clock alone.
//
// The library core (bass_device.cpp) owns the mix; a backend only asks for
// it. Exactly one platform device backend is linked (output_sdl.cpp on Linux,
// output_waveout.cpp on Windows); output_null.cpp is linked everywhere.
//
// Threading: a device backend calls the mix function on a thread of its own,
// one call at a time. Every other function here is called only from the
// thread that calls the library (the show's thread).
#pragma once

#include <cstdint>

// Fills `frameCount` stereo frames (interleaved left, right; signed 16-bit)
// at `out` with what plays next and advances the playing streams by that
// many frames. `out` may be null: advance only (the "no sound" device).
typedef void (*SoundMixFunction)(int16_t* out, uint32_t frameCount);

// ---------------------------------------------------------------------------
// Supplied by the platform's device backend (output_sdl.cpp, output_waveout.cpp)
// ---------------------------------------------------------------------------

// Opens the default output device at `rate` Hz, stereo, signed 16-bit, and
// starts calling `mix` on the backend's own thread whenever the device needs
// another buffer. Returns false (and calls nothing) when no output device can
// be opened.
bool OpenDeviceOutput(uint32_t rate, SoundMixFunction mix);

// Stops the calls to `mix` (returns only after the last one has finished)
// and closes the device. Harmless when nothing is open.
void CloseDeviceOutput();

// Output latency in frames: at the moment `mix` is called, how many frames
// pass before the first frame it writes is heard (the audio still queued in
// the device ahead of it).
uint32_t GetDeviceOutputLatency();

// While locked, `mix` is not running and does not start; the library holds
// the lock while it changes which streams play. Locks do not nest.
void LockDeviceOutput();
void UnlockDeviceOutput();

// ---------------------------------------------------------------------------
// The "no sound" device (output_null.cpp): no thread, no output; the clock
// alone decides how far the mix has played.
// ---------------------------------------------------------------------------

// Starts the clock at `rate` frames per second. Always succeeds.
bool OpenNullOutput(uint32_t rate, SoundMixFunction mix);

// Stops the clock. Harmless when nothing is open.
void CloseNullOutput();

// Calls `mix(nullptr, n)` for the n frames the clock says have played since
// the previous pump (or the open), on the caller's thread. The library pumps
// before every position read, so positions advance in real time.
void PumpNullOutput();
