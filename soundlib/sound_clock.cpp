// The sound library's clock (see sound_clock.h): std::chrono's steady
// clock unless a test has put its own in place.
#include "soundlib/sound_clock.h"

#include <atomic>
#include <chrono>

// The clock in use; null means the steady clock. Read by the output's
// thread as well as the caller's.
static std::atomic<SoundClockFunction> s_soundClock{nullptr};

int64_t GetSoundClockNs()
{
    SoundClockFunction clock = s_soundClock.load(std::memory_order_acquire);
    if (clock)
        return clock();
    return (int64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SetSoundClock(SoundClockFunction clock)
{
    s_soundClock.store(clock, std::memory_order_release);
}
