// How the show will hear the track: decoding an Ogg Vorbis file and
// measuring the spectrum level the scenes react to, frame by frame, with the
// figures the scenes need (squares gathered in the beat, sphere halves kept
// moving and in the picture).
//
// The levels come from our sound library (a decoding stream of the file,
// positioned at each frame's music time), so they are what the show hears;
// the direct measure below computes the same thing from decoded samples and
// stands in when the library cannot open the file.
//
// The level of one frame is the sum of the 512 magnitudes |X_k| * 2 / 1024 of
// the Hann-windowed 1024-sample FFT of the mono mix, taken from the frame's
// music position on (a full-scale sine centred on a bin reads 0.5 in that bin
// and about 0.25 in each neighbour).
#pragma once

#include <vector>

// A decoded track: interleaved float samples.
struct DecodedTrack {
    int channels = 0;
    int rate = 0;
    std::vector<float> samples;
};

// Decodes a whole Ogg Vorbis file; false when it cannot be opened or decoded.
bool DecodeOggFile(const char* path, DecodedTrack* track);

// The mono mix (mean of the channels) of a decoded track.
std::vector<float> MixToMono(const DecodedTrack& track);

// Number of FFT magnitudes in one spectrum, and the FFT length.
enum { LEVEL_BINS = 512, LEVEL_FFT_SIZE = 1024 };

// Fills `bins` with the 512 magnitudes of the 1024 mono samples from
// `position` on (samples outside the track count as silence).
void MeasureSpectrum(const std::vector<float>& mono, long position, float* bins);

// Spectrum level (sum of the 512 magnitudes, added in order in single
// precision) of the 1024 mono samples from `position` on.
float MeasureLevel(const std::vector<float>& mono, long position);

// Frames per second at which the show samples the level.
enum { SHOW_FPS = 60 };

// What the scenes will see of a track.
struct MusicFigures {
    bool fromLibrary = false;   // levels measured through the sound library
    double seconds = 0.0;       // length of the track
    int rate = 0;               // sample rate
    int channels = 0;
    float peak = 0.0f;          // highest absolute sample
    float tailPeak = 0.0f;      // highest absolute sample of the last second
    std::vector<float> levels;  // level of frame k, at demo time 0.3 + k / 60
    int beatFrames = 0;         // frames with 2 <= demo time < 24
    int beatFramesLoud = 0;     // ... of which level > 1.2 (a square appears)
    int sphereFrames = 0;       // frames with 24 <= demo time < 62.5
    int sphereFramesInRange = 0;  // ... of which 0.05 <= level / 3 <= 0.7
};

// Demo time of level frame k.
double DemoTimeOfFrame(int frame);

// The level frame shown at a demo time (nearest).
int FrameAtDemoTime(double demoTime);

// Number of show frames, from demo time 0.3 to 180.0.
int ShowFrameCount();

// Levels of every show frame through the sound library: a decoding stream of
// the file, positioned at each frame and asked for its spectrum, the 512
// magnitudes summed in order in single precision (as the show sums them).
// False when the library cannot open the file.
bool MeasureLibraryLevels(const char* path, std::vector<float>* levels);

// Measures a track: peaks and length from the decoded samples, the level of
// every show frame through the sound library from the file at `path` (or,
// when the library cannot open it or path is null, directly from the samples).
MusicFigures MeasureTrack(const DecodedTrack& track, const char* path);

// The level thresholds the scenes care about.
const float SQUARE_LEVEL = 1.2f;      // a square appears above this
const float SPHERE_LIFT_MIN = 0.05f;  // level / 3: the halves visibly move ...
const float SPHERE_LIFT_MAX = 0.7f;   // ... and stay in the picture
