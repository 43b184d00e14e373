// The track's instruments (see music_voices.h). Each renders its own samples
// straight into the buses; all randomness is seeded from the note's start
// frame, so every render is the same.
#include "tools/content/music/music_voices.h"

#include <cmath>

#include "tools/content/music/music_dsp.h"
#include "tools/content/music/music_mix.h"

// Each instrument's level in the mix; the score's gains are relative to these.
static const float KICK_LEVEL = 0.88f;
static const float CLAP_LEVEL = 1.9f;
static const float SNARE_LEVEL = 1.3f;
static const float HAT_LEVEL = 1.6f;
static const float PAD_LEVEL = 1.4f;
static const float PLUCK_LEVEL = 1.5f;
static const float LEAD_LEVEL = 2.2f;
static const float BELL_LEVEL = 1.2f;

// Frames between cutoff updates of a swept filter (tan() per frame is costly).
enum { FILTER_STRIDE = 16 };

// A noise source seeded from a start frame and a voice tag.
static NoiseSource SeedNoise(long start, uint32_t tag)
{
    uint32_t seed = (uint32_t)start * 2654435761u ^ tag * 40503u ^ 0x9E3779B9u;
    NoiseSource noise = { seed ? seed : 1u };
    return noise;
}

// Gain over a sound's last 20 ms, falling to zero at its end, so that a
// decay cut off at the sound's length does not click.
static float TailFade(long n, long length)
{
    long fade = (long)(0.02 * MUSIC_RATE);
    return n < length - fade ? 1.0f : (float)(length - n) / (float)fade;
}

// Sends a dry sample to the two effect buses.
static void SendEffects(long i, float x, float reverb, float delay)
{
    if (reverb > 0.0f) AddMono(g_musicMix.reverbSend, i, x * reverb);
    if (delay > 0.0f) AddMono(g_musicMix.delaySend, i, x * delay);
}

void PlayKick(double demoTime, float gain, float pumpDepth, float snap)
{
    gain *= KICK_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(0.6 * MUSIC_RATE);
    NoiseSource noise = SeedNoise(start, 1);
    Svf clickFilter, snapFilter;
    TuneSvf(clickFilter, 3000.0, 0.7);
    TuneSvf(snapFilter, 1800.0, 0.6);
    double phase = 0.0;
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        double hz = 46.0 + 120.0 * std::exp(-t / 0.032) + 260.0 * std::exp(-t / 0.004);
        phase += hz / MUSIC_RATE;
        double attack = t < 0.002 ? t / 0.002 : 1.0;
        double body = attack * (t < 0.04 ? 1.0 : std::exp(-(t - 0.04) / 0.16));
        float x = SoftClip(1.4f * SineTurns(phase)) * (float)body;
        float hiss = NextNoise(noise);
        x += 0.4f * HighPass(clickFilter, hiss) * (float)std::exp(-t / 0.0025);
        // The snap: a brief bright noise layer that makes the kick cut through.
        if (snap > 0.0f)
            x += snap * HighPass(snapFilter, hiss) * (float)(attack * std::exp(-t / 0.02));
        x *= gain * TailFade(n, length);
        AddFrame(g_musicMix.dry, start + n, x, x);
    }
    if (pumpDepth > 0.0f)
        PumpAt(demoTime, pumpDepth);
}

void PlayClap(double demoTime, float gain)
{
    gain *= CLAP_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(0.4 * MUSIC_RATE);
    NoiseSource noise = SeedNoise(start, 2);
    Svf bandL, bandR;
    TuneSvf(bandL, 1150.0, 1.3);
    TuneSvf(bandR, 1350.0, 1.3);
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        double env;
        if (t < 0.031) {
            double burst = std::fmod(t, 0.0105);
            env = std::exp(-burst / 0.0035);
        } else {
            env = 0.8 * std::exp(-(t - 0.031) / 0.11);
        }
        env *= TailFade(n, length);
        float a = NextNoise(noise), b = NextNoise(noise);
        float l = BandPass(bandL, a * 0.8f + b * 0.2f) * (float)env * gain * 2.2f;
        float r = BandPass(bandR, b * 0.8f + a * 0.2f) * (float)env * gain * 2.2f;
        AddFrame(g_musicMix.dry, start + n, l, r);
        SendEffects(start + n, 0.5f * (l + r), 0.35f, 0.0f);
    }
}

void PlaySnare(double demoTime, float gain)
{
    gain *= SNARE_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(0.3 * MUSIC_RATE);
    NoiseSource noise = SeedNoise(start, 3);
    Svf rattle;
    TuneSvf(rattle, 1800.0, 0.8);
    double phase = 0.0;
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        phase += (175.0 + 60.0 * std::exp(-t / 0.01)) / MUSIC_RATE;
        float tone = SineTurns(phase) * (float)std::exp(-t / 0.05) * 0.6f;
        float hiss = HighPass(rattle, NextNoise(noise)) * (float)std::exp(-t / 0.09);
        float x = (tone + hiss) * gain * TailFade(n, length);
        AddFrame(g_musicMix.dry, start + n, x * 0.95f, x);
        SendEffects(start + n, x, 0.25f, 0.0f);
    }
}

void PlayHat(double demoTime, float gain, bool open)
{
    gain *= HAT_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    double decay = open ? 0.16 : 0.028;
    long length = (long)((open ? 0.9 : 0.18) * MUSIC_RATE);
    NoiseSource noise = SeedNoise(start, 4);
    // Six detuned square waves at inharmonic ratios give the metal; noise the air.
    const double METAL_HZ[6] = { 587.0, 845.0, 1031.0, 1444.0, 1533.0, 2219.0 };
    double phases[6] = { 0.0, 0.13, 0.29, 0.41, 0.57, 0.73 };
    Svf high, shine;
    TuneSvf(high, 7000.0, 0.7);
    TuneSvf(shine, 10500.0, 2.0);
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        float metal = 0.0f;
        for (int i = 0; i < 6; ++i) {
            phases[i] += METAL_HZ[i] / MUSIC_RATE;
            if (phases[i] >= 1.0) phases[i] -= 1.0;
            metal += phases[i] < 0.5 ? 1.0f : -1.0f;
        }
        float x = NextNoise(noise) * 0.6f + metal * (0.4f / 6.0f) * 2.0f;
        float y = HighPass(high, x) * 0.7f + BandPass(shine, x) * 0.5f;
        y *= (float)std::exp(-t / decay) * gain * TailFade(n, length);
        AddFrame(g_musicMix.dry, start + n, y * 0.8f, y);
        if (open) SendEffects(start + n, y, 0.15f, 0.0f);
    }
}

void PlayCrash(double demoTime, float gain)
{
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(3.5 * MUSIC_RATE);
    NoiseSource noiseL = SeedNoise(start, 5), noiseR = SeedNoise(start, 6);
    Svf highL, highR, ringL, ringR;
    TuneSvf(highL, 4500.0, 0.7);
    TuneSvf(highR, 4700.0, 0.7);
    TuneSvf(ringL, 6200.0, 4.0);
    TuneSvf(ringR, 7400.0, 4.0);
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        float env = (float)(std::exp(-t / 0.7) * (t < 0.003 ? t / 0.003 : 1.0)) * gain *
                    TailFade(n, length);
        float a = NextNoise(noiseL), b = NextNoise(noiseR);
        float l = (HighPass(highL, a) + 0.6f * BandPass(ringL, a)) * env;
        float r = (HighPass(highR, b) + 0.6f * BandPass(ringR, b)) * env;
        AddFrame(g_musicMix.dry, start + n, l, r);
        SendEffects(start + n, 0.5f * (l + r), 0.3f, 0.0f);
    }
}

void PlayImpact(double demoTime, float gain)
{
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(3.0 * MUSIC_RATE);
    NoiseSource noise = SeedNoise(start, 7);
    Svf thumpFilter;
    TuneSvf(thumpFilter, 700.0, 0.7);
    double phase = 0.0;
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        phase += (32.0 + 60.0 * std::exp(-t / 0.25)) / MUSIC_RATE;
        double attack = t < 0.004 ? t / 0.004 : 1.0;
        float boom = SoftClip(1.3f * SineTurns(phase)) * (float)(attack * std::exp(-t / 0.7));
        float thump = LowPass(thumpFilter, NextNoise(noise)) * (float)std::exp(-t / 0.12) * 1.5f;
        float x = (boom * 0.85f + thump) * gain * TailFade(n, length);
        AddFrame(g_musicMix.dry, start + n, x, x);
        SendEffects(start + n, x, 0.4f, 0.0f);
    }
    PlayCrash(demoTime, gain * 0.55f);
    PumpAt(demoTime, 0.8f);
}

void PlayRiser(double demoTime, double seconds, float gain)
{
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(seconds * MUSIC_RATE);
    NoiseSource noiseL = SeedNoise(start, 8), noiseR = SeedNoise(start, 9);
    Svf bandL, bandR;
    for (long n = 0; n < length; ++n) {
        double u = (double)n / length;
        if (n % FILTER_STRIDE == 0) {
            double hz = 300.0 * std::pow(25.0, u);
            TuneSvf(bandL, hz, 2.5);
            TuneSvf(bandR, hz * 1.07, 2.5);
        }
        float env = (float)(u * u) * gain;
        float l = BandPass(bandL, NextNoise(noiseL)) * env;
        float r = BandPass(bandR, NextNoise(noiseR)) * env;
        AddFrame(g_musicMix.dry, start + n, l, r);
        SendEffects(start + n, 0.5f * (l + r), 0.3f, 0.0f);
    }
}

void PlayBass(double demoTime, double seconds, int note, float gain, float brightness)
{
    long start = SampleAtDemoTime(demoTime);
    long hold = (long)(seconds * MUSIC_RATE);
    long release = (long)(0.012 * MUSIC_RATE);
    double hz = NoteHz(note);
    double increment = hz / MUSIC_RATE;
    Svf filter;
    double phase = 0.0, subPhase = 0.0;
    for (long n = 0; n < hold + release; ++n) {
        double t = (double)n / MUSIC_RATE;
        if (n % FILTER_STRIDE == 0)
            TuneSvf(filter, 90.0 + hz * 1.5 + brightness * 2200.0 * std::exp(-t / 0.09), 1.6);
        phase += increment;
        if (phase >= 1.0) phase -= 1.0;
        subPhase += increment * 0.5;
        float saw = SawSample(phase, increment);
        float body = LowPass(filter, saw) * 0.6f + SineTurns(subPhase) * 0.55f;
        double env = n < 60 ? n / 60.0 : 1.0;
        if (n >= hold) env *= 1.0 - (double)(n - hold) / release;
        float x = body * (float)env * gain;
        AddFrame(g_musicMix.pumped, start + n, x, x);
    }
}

void PlayPad(double demoTime, double seconds, const int* notes, int count, float gain,
             float brightness)
{
    gain *= PAD_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    long hold = (long)(seconds * MUSIC_RATE);
    long attack = (long)(0.35 * MUSIC_RATE);
    long release = (long)(0.9 * MUSIC_RATE);
    const double DETUNE[3] = { -0.11, 0.0, 0.12 };  // semitones
    double phases[8][3];
    double increments[8][3];
    NoiseSource noise = SeedNoise(start, 10);
    for (int v = 0; v < count && v < 8; ++v)
        for (int d = 0; d < 3; ++d) {
            phases[v][d] = 0.5 * (NextNoise(noise) + 1.0f);
            increments[v][d] = NoteHz(notes[v] + DETUNE[d]) / MUSIC_RATE;
        }
    Svf filterL, filterR;
    float level = gain / (float)count;
    for (long n = 0; n < hold + release; ++n) {
        double t = demoTime + (double)n / MUSIC_RATE;
        if (n % FILTER_STRIDE == 0) {
            double sweep = 0.5 + 0.5 * std::sin(t * 0.7);
            double hz = 350.0 + brightness * 2600.0 * (0.75 + 0.25 * sweep);
            TuneSvf(filterL, hz, 1.1);
            TuneSvf(filterR, hz * 1.05, 1.1);
        }
        float l = 0.0f, r = 0.0f;
        for (int v = 0; v < count && v < 8; ++v) {
            float s[3];
            for (int d = 0; d < 3; ++d) {
                double& p = phases[v][d];
                p += increments[v][d];
                if (p >= 1.0) p -= 1.0;
                s[d] = SawSample(p, increments[v][d]);
            }
            l += s[0] + 0.6f * s[1];
            r += s[2] + 0.6f * s[1];
        }
        double env = n < attack ? (double)n / attack : 1.0;
        if (n >= hold) env *= 1.0 - (double)(n - hold) / release;
        float e = (float)(env * env) * level * 0.6f;
        float outL = LowPass(filterL, l) * e;
        float outR = LowPass(filterR, r) * e;
        AddFrame(g_musicMix.pumped, start + n, outL, outR);
        SendEffects(start + n, 0.5f * (outL + outR), 0.45f, 0.0f);
    }
}

void PlayLead(double demoTime, double seconds, int note, int fromNote, float gain,
              float brightness)
{
    gain *= LEAD_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    long hold = (long)(seconds * MUSIC_RATE);
    long release = (long)(0.08 * MUSIC_RATE);
    Svf filterL, filterR;
    double phaseA = 0.0, phaseB = 0.37, phaseSub = 0.0;
    for (long n = 0; n < hold + release; ++n) {
        double t = (double)n / MUSIC_RATE;
        double pitch = note;
        if (fromNote != 0 && t < 0.06)
            pitch = fromNote + (note - fromNote) * (t / 0.06);
        if (t > 0.22)
            pitch += 0.14 * std::sin(2.0 * 3.14159265358979 * 5.3 * (t - 0.22)) *
                     std::min(1.0, (t - 0.22) / 0.3);
        double incA = NoteHz(pitch + 0.07) / MUSIC_RATE;
        double incB = NoteHz(pitch - 0.07) / MUSIC_RATE;
        phaseA += incA;
        if (phaseA >= 1.0) phaseA -= 1.0;
        phaseB += incB;
        if (phaseB >= 1.0) phaseB -= 1.0;
        phaseSub += incA * 0.5;
        if (n % FILTER_STRIDE == 0) {
            double hz = 600.0 + brightness * 3800.0 * (0.55 + 0.45 * std::exp(-t / 0.15));
            TuneSvf(filterL, hz, 1.4);
            TuneSvf(filterR, hz, 1.4);
        }
        float a = SawSample(phaseA, incA), b = SawSample(phaseB, incB);
        float sub = SineTurns(phaseSub) * 0.35f;
        double env = t < 0.008 ? t / 0.008 : 0.8 + 0.2 * std::exp(-(t - 0.008) / 0.2);
        if (n >= hold) env *= 1.0 - (double)(n - hold) / release;
        float e = (float)env * gain * 0.5f;
        float l = (LowPass(filterL, a * 0.8f + b * 0.2f) + sub) * e;
        float r = (LowPass(filterR, b * 0.8f + a * 0.2f) + sub) * e;
        AddFrame(g_musicMix.dry, start + n, l, r);
        SendEffects(start + n, 0.5f * (l + r), 0.25f, 0.4f);
    }
}

void PlayPluck(double demoTime, int note, float gain, float brightness, float pan)
{
    gain *= PLUCK_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(0.5 * MUSIC_RATE);
    double increment = NoteHz(note) / MUSIC_RATE;
    float panL, panR;
    PanGains(pan, &panL, &panR);
    Svf filter;
    double phase = 0.0;
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        if (n % FILTER_STRIDE == 0)
            TuneSvf(filter, 250.0 + brightness * 5000.0 * std::exp(-t / 0.07), 2.0);
        phase += increment;
        if (phase >= 1.0) phase -= 1.0;
        double env = (t < 0.003 ? t / 0.003 : 1.0) * std::exp(-t / 0.14);
        if (n > length - 400) env *= (length - n) / 400.0;
        float x = LowPass(filter, SawSample(phase, increment)) * (float)env * gain;
        AddFrame(g_musicMix.pumped, start + n, x * panL, x * panR);
        SendEffects(start + n, x, 0.2f, 0.35f);
    }
}

void PlayBell(double demoTime, int note, float gain, float pan)
{
    gain *= BELL_LEVEL;
    long start = SampleAtDemoTime(demoTime);
    long length = (long)(3.0 * MUSIC_RATE);
    double hz = NoteHz(note);
    float panL, panR;
    PanGains(pan, &panL, &panR);
    double carrier = 0.0, modulator = 0.0, octave = 0.0;
    for (long n = 0; n < length; ++n) {
        double t = (double)n / MUSIC_RATE;
        carrier += hz / MUSIC_RATE;
        modulator += hz * 3.0 / MUSIC_RATE;
        octave += hz * 2.0 / MUSIC_RATE;
        double index = 1.8 * std::exp(-t / 0.12) + 0.25;
        float fm = SineTurns(carrier + index * SineTurns(modulator) / (2.0 * 3.14159265358979));
        double attack = t < 0.002 ? t / 0.002 : 1.0;
        double env = attack * std::exp(-t / 0.9);
        if (n > length - 2000) env *= (length - n) / 2000.0;
        float x = (fm + 0.3f * SineTurns(octave) * (float)std::exp(-t / 0.3)) * (float)env * gain;
        AddFrame(g_musicMix.dry, start + n, x * panL, x * panR);
        SendEffects(start + n, x, 0.45f, 0.3f);
    }
}
