// The track's clock, buses, sine table and filter tuning (see music_dsp.h).
#include "tools/content/music/music_dsp.h"

#include <cmath>

// Size of the sine table; a power of two so phases wrap with a mask.
enum { SINE_TABLE_SIZE = 4096 };

// One full sine period plus a guard entry for interpolation.
static float s_sineTable[SINE_TABLE_SIZE + 1];
static bool s_sineTableReady = false;

size_t MusicFrameCount()
{
    return (size_t)(MUSIC_SECONDS * MUSIC_RATE);
}

long SampleAtDemoTime(double demoTime)
{
    return (long)std::floor((demoTime - MUSIC_DEMO_OFFSET) * MUSIC_RATE + 0.5);
}

double DemoTimeOfStep(int bar, double step)
{
    double t = FIRST_BAR_DEMO_TIME + bar * BAR_SECONDS + step * STEP_SECONDS;
    // Only whole odd steps swing; fractional positions are placed as given.
    double whole = std::floor(step);
    if (whole == step && ((long)whole & 1))
        t += SWING_SECONDS;
    return t;
}

double NoteHz(double midiNote)
{
    return 440.0 * std::pow(2.0, (midiNote - 69.0) / 12.0);
}

void ClearBus(StereoBus& bus)
{
    bus.left.assign(MusicFrameCount(), 0.0f);
    bus.right.assign(MusicFrameCount(), 0.0f);
}

void PanGains(float pan, float* left, float* right)
{
    double angle = (pan + 1.0) * 0.25 * 3.14159265358979323846;
    *left = (float)std::cos(angle);
    *right = (float)std::sin(angle);
}

// Fills the sine table once.
static void PrepareSineTable()
{
    for (int i = 0; i <= SINE_TABLE_SIZE; ++i)
        s_sineTable[i] = (float)std::sin(2.0 * 3.14159265358979323846 * i / SINE_TABLE_SIZE);
    s_sineTableReady = true;
}

float SineTurns(double phase)
{
    if (!s_sineTableReady)
        PrepareSineTable();
    double wrapped = phase - std::floor(phase);
    double position = wrapped * SINE_TABLE_SIZE;
    if (position >= SINE_TABLE_SIZE)  // a phase just below a whole turn rounds up
        position = 0.0;
    int index = (int)position;
    float frac = (float)(position - index);
    return s_sineTable[index] + frac * (s_sineTable[index + 1] - s_sineTable[index]);
}

void TuneSvf(Svf& filter, double cutoffHz, double q)
{
    double nyquistGuard = MUSIC_RATE * 0.45;
    if (cutoffHz > nyquistGuard) cutoffHz = nyquistGuard;
    if (cutoffHz < 10.0) cutoffHz = 10.0;
    filter.g = (float)std::tan(3.14159265358979323846 * cutoffHz / MUSIC_RATE);
    filter.k = (float)(1.0 / q);
}
