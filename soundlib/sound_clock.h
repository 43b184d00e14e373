// The sound library's clock: the monotonic clock that the "no sound" device
// plays by and that positions between two mix calls are measured with.
// Tests put a clock of their own in its place and step it, so that what
// they check of positions and rates does not depend on how busy the
// machine is.
#pragma once

#include <cstdint>

// Nanoseconds of the library's clock (monotonic; the origin is arbitrary).
int64_t GetSoundClockNs();

// A clock that replaces the monotonic one.
typedef int64_t (*SoundClockFunction)();

// Makes `clock` the library's clock; null restores the monotonic clock.
// Set it while no device is open: the device keeps the times it has read.
void SetSoundClock(SoundClockFunction clock);
