// The "no sound" device (device 0): no thread and no output. The library's
// clock (sound_clock.h) alone says how far the mix has played; the library
// pumps it before it reads or changes a position, so played streams advance
// in real time, or exactly as far as a test steps its clock.
//
// Implements from sound_output.h: OpenNullOutput, CloseNullOutput,
// PumpNullOutput.
#include "soundlib/sound_output.h"

#include "soundlib/sound_clock.h"

// State of the one null device.
struct NullOutput {
    bool open;
    uint32_t rate;
    SoundMixFunction mix;
    int64_t startNs;         // the library's clock at the open
    uint64_t framesPumped;   // frames handed to the mix since the open
};

static NullOutput s_nullOutput;

bool OpenNullOutput(uint32_t rate, SoundMixFunction mix)
{
    s_nullOutput.open = true;
    s_nullOutput.rate = rate;
    s_nullOutput.mix = mix;
    s_nullOutput.startNs = GetSoundClockNs();
    s_nullOutput.framesPumped = 0;
    return true;
}

void CloseNullOutput()
{
    s_nullOutput.open = false;
}

void PumpNullOutput()
{
    if (!s_nullOutput.open)
        return;
    // Frames due are counted from the open, not from the last pump, so no
    // rounding accumulates however often the library pumps.
    int64_t elapsedNs = GetSoundClockNs() - s_nullOutput.startNs;
    if (elapsedNs <= 0)
        return;
    // Whole frames, exact in 64 bits for any run time.
    uint64_t due = (uint64_t)(elapsedNs / 1000000000) * s_nullOutput.rate +
                   (uint64_t)(elapsedNs % 1000000000) * s_nullOutput.rate / 1000000000u;
    while (due > s_nullOutput.framesPumped) {
        uint64_t n = due - s_nullOutput.framesPumped;
        if (n > 0x10000000u)
            n = 0x10000000u;
        s_nullOutput.mix(nullptr, (uint32_t)n);
        s_nullOutput.framesPumped += n;
    }
}
