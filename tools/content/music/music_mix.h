// The track's mixing desk: the buses every instrument plays into, the
// kick-driven pump, and the mixdown through reverb, delay and limiter into
// the final interleaved stereo samples.
#pragma once

#include <vector>

#include "tools/content/music/music_dsp.h"

// The buses of one render.
struct MusicMix {
    StereoBus dry;                  // drums, lead, bells, effects: played as they are
    StereoBus pumped;               // bass, pads, arpeggios: ducked by each kick
    std::vector<float> reverbSend;  // mono feed of the hall reverb
    std::vector<float> delaySend;   // mono feed of the ping-pong delay
    std::vector<float> pumpGain;    // per-frame gain of the pumped bus
};

// The one render in progress; the instruments add into it (process-wide so the
// score reads as a list of notes rather than a chain of handles).
extern MusicMix g_musicMix;

// Sizes every bus to the track's length and silences it.
void ResetMusicMix();

// Dips the pumped bus for a kick at demo time t; depth 0..1.
void PumpAt(double demoTime, float depth);

// Runs the effects and the master chain and returns the finished track as
// interleaved left/right floats, peaks held under the master ceiling and
// silent from the fade's end on. Frees the buses.
std::vector<float> MixDownTrack();

// Holds every sample of a stereo pair at or under `ceiling` with a look-ahead
// gain: the gain is at its low before a peak arrives and recovers over about
// 80 ms, so loud hits are turned down smoothly rather than clipped.
void LimitPeaks(std::vector<float>& left, std::vector<float>& right, float ceiling);

// Highest absolute sample the master chain lets through (about -2.4 dBFS, so
// the encoder's small overshoots stay under -1 dBFS).
const float MASTER_CEILING = 0.76f;

// Demo times of the final fade: full level until the first, silence from the second.
const double FADE_START_DEMO_TIME = 174.0;
const double FADE_END_DEMO_TIME = 178.5;
