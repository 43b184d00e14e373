// The track's building blocks: the sample clock tied to the show's beat grid,
// the mix buses, and the small oscillators and filters every instrument uses.
// Everything here is deterministic: noise comes from our own generator and
// sines from a fixed table, so the same program renders the same samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Sample rate of the track.
enum { MUSIC_RATE = 44100 };

// Length of the track in seconds of music time.
const double MUSIC_SECONDS = 180.0;

// The show's clock runs this far ahead of the music: demo time = music + 0.3.
const double MUSIC_DEMO_OFFSET = 0.3;

// 120 beats a minute: a bar of four beats is 2 s, so bars start on the even
// demo seconds from 2.0 and the scene changes at 24, 62 and 160 s fall on
// downbeats.
const double BEAT_SECONDS = 0.5;
const double BAR_SECONDS = 2.0;
const double STEP_SECONDS = 0.125;  // one sixteenth
const double FIRST_BAR_DEMO_TIME = 2.0;

// How far an off-beat sixteenth is pushed late, for the groove.
const double SWING_SECONDS = 0.018;

// Number of sample frames in the track.
size_t MusicFrameCount();

// The sample frame that plays at demo time t (may lie outside the track).
long SampleAtDemoTime(double demoTime);

// Demo time of sixteenth step `step` (0..15, may run past) of bar `bar`;
// odd steps carry the swing.
double DemoTimeOfStep(int bar, double step);

// Frequency in Hz of a MIDI note number (69 = A4 = 440 Hz).
double NoteHz(double midiNote);

// A mix bus: two channels of float samples covering the whole track.
struct StereoBus {
    std::vector<float> left;
    std::vector<float> right;
};

// Gives the bus the track's length, all silent.
void ClearBus(StereoBus& bus);

// Adds one sample frame to a bus at position i when i lies inside the track.
inline void AddFrame(StereoBus& bus, long i, float l, float r)
{
    if (i >= 0 && (size_t)i < bus.left.size()) {
        bus.left[(size_t)i] += l;
        bus.right[(size_t)i] += r;
    }
}

// Adds one sample to a mono send at position i when it lies inside the track.
inline void AddMono(std::vector<float>& send, long i, float x)
{
    if (i >= 0 && (size_t)i < send.size())
        send[(size_t)i] += x;
}

// Left and right gains of an equal-power pan; pan -1 is hard left, +1 hard right.
void PanGains(float pan, float* left, float* right);

// A white-noise source with its own 32-bit state (xorshift).
struct NoiseSource {
    uint32_t state;
};

// Next noise sample, uniform in [-1, 1).
inline float NextNoise(NoiseSource& noise)
{
    uint32_t x = noise.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise.state = x;
    return (float)((double)x / 2147483648.0 - 1.0);
}

// Sine of a phase given in turns (any real value), from a fixed table.
float SineTurns(double phase);

// One sample of a band-limited sawtooth (-1..1) at phase 0..1 advancing by
// `increment` turns per sample (polyBLEP smoothing at the wrap).
inline float SawSample(double phase, double increment)
{
    double saw = 2.0 * phase - 1.0;
    if (phase < increment) {
        double t = phase / increment;
        saw -= t + t - t * t - 1.0;
    } else if (phase > 1.0 - increment) {
        double t = (phase - 1.0) / increment;
        saw -= t * t + t + t + 1.0;
    }
    return (float)saw;
}

// A state-variable filter (trapezoidal, stable under fast cutoff changes).
struct Svf {
    float ic1 = 0.0f;
    float ic2 = 0.0f;
    float g = 0.0f;  // tan(pi * cutoff / rate)
    float k = 1.0f;  // 1 / Q
};

// Sets cutoff (Hz, clamped below Nyquist) and resonance Q of a filter.
void TuneSvf(Svf& filter, double cutoffHz, double q);

// Runs one sample through the filter; writes its low-, band- and high-pass outputs.
inline void RunSvf(Svf& f, float x, float* low, float* band, float* high)
{
    float a1 = 1.0f / (1.0f + f.g * (f.g + f.k));
    float v3 = x - f.ic2;
    float v1 = a1 * f.ic1 + f.g * a1 * v3;
    float v2 = f.ic2 + f.g * v1;
    f.ic1 = 2.0f * v1 - f.ic1;
    f.ic2 = 2.0f * v2 - f.ic2;
    *low = v2;
    *band = v1;
    *high = x - f.k * v1 - v2;
}

// Low-pass output of one filter step.
inline float LowPass(Svf& f, float x)
{
    float l, b, h;
    RunSvf(f, x, &l, &b, &h);
    return l;
}

// High-pass output of one filter step.
inline float HighPass(Svf& f, float x)
{
    float l, b, h;
    RunSvf(f, x, &l, &b, &h);
    return h;
}

// Band-pass output of one filter step.
inline float BandPass(Svf& f, float x)
{
    float l, b, h;
    RunSvf(f, x, &l, &b, &h);
    return b;
}

// A soft saturator that keeps small signals linear and rounds off peaks.
inline float SoftClip(float x)
{
    if (x > 1.5f) return 1.0f;
    if (x < -1.5f) return -1.0f;
    return x - (4.0f / 27.0f) * x * x * x;
}
