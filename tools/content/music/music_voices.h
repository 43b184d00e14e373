// The track's instruments. Each call plays one note or hit at a demo time
// into the buses of g_musicMix (music_mix.h): the drums and the lead dry,
// the bass, pads and arpeggios on the pumped bus, with their own shares sent
// to the reverb and the delay. Gains are linear; brightness runs 0..1.
#pragma once

// Kick drum: a pitched-down sine with a click and `snap` of bright noise on
// top; also pumps the pumped bus by pumpDepth.
void PlayKick(double demoTime, float gain, float pumpDepth, float snap);

// Hand clap: three quick noise bursts and a short tail.
void PlayClap(double demoTime, float gain);

// Snare drum for fills: a short tone and a noise rattle.
void PlaySnare(double demoTime, float gain);

// Hi-hat: filtered noise, closed (short) or open (long).
void PlayHat(double demoTime, float gain, bool open);

// Crash cymbal: long bright noise, wide in stereo.
void PlayCrash(double demoTime, float gain);

// The big hit of a scene change: a sub drop, a noise thump and a crash.
void PlayImpact(double demoTime, float gain);

// Noise swell whose band rises from low to high over `seconds`, ending at
// demo time + seconds.
void PlayRiser(double demoTime, double seconds, float gain);

// Bass note: saw plus sub sine through a plucked low-pass.
void PlayBass(double demoTime, double seconds, int note, float gain, float brightness);

// Pad chord: three detuned saws per note through a slowly moving low-pass.
void PlayPad(double demoTime, double seconds, const int* notes, int count, float gain,
             float brightness);

// Lead note: two detuned saws and a sub, gliding from `fromNote` (or starting
// clean when fromNote is 0), with vibrato; sent to the delay.
void PlayLead(double demoTime, double seconds, int note, int fromNote, float gain,
              float brightness);

// Plucked arpeggio note with a snappy filter, panned.
void PlayPluck(double demoTime, int note, float gain, float brightness, float pan);

// Bell for a caption word: a frequency-modulated sine, bright attack, long ring.
void PlayBell(double demoTime, int note, float gain, float pan);
