// What the Windows program was heard playing: the signals of the Wine
// end-to-end tests' sound checks and the analysis that lines a recording of
// the program's output up with the music it plays.
//
// A recording made through Wine and a sound server is the track resampled
// (twice: Wine's mixer and the server), so it never equals the track sample
// for sample. It is compared by where it lines up (the offset between
// recording time and track time, found window by window with a normalised
// cross-correlation) and by short-window loudness, never sample by sample.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Mono samples (full scale 1.0) at one rate.
struct MonoSignal {
    std::vector<float> samples;
    int rate = 0;
    int channels = 1;   // of the source, before the mix-down
};

// Decodes an Ogg Vorbis file and mixes its channels down. False when it
// cannot be read.
bool DecodeOggMono(const char* path, MonoSignal* signal);

// Reads raw signed 16-bit little-endian mono samples at `rate`.
bool ReadRawMono16(const char* path, int rate, MonoSignal* signal);

// The best lag of a window inside a longer reference: the lag of the
// highest normalised cross-correlation (1.0 for a scaled copy), refined
// between samples, and the best value at least `excludeRadius` samples away
// (how clearly the winner stands out).
struct CorrelationPeak {
    double lag = 0.0;
    double value = 0.0;
    double runnerUp = 0.0;
};

// Correlates windows with every placement inside one reference (lags
// 0 .. referenceLength - windowLength); the reference's spectrum is taken
// once, so many windows against a long reference stay cheap.
class ReferenceCorrelator {
public:
    ReferenceCorrelator(const float* reference, size_t referenceLength);
    ~ReferenceCorrelator();
    ReferenceCorrelator(const ReferenceCorrelator&) = delete;
    ReferenceCorrelator& operator=(const ReferenceCorrelator&) = delete;
    CorrelationPeak Find(const float* window, size_t windowLength, size_t excludeRadius);

private:
    size_t length;
    size_t size;                 // the transform's length, a power of two
    std::vector<double> prefix;  // running energy of the reference
    double* real;
    void* referenceSpectrum;     // fftw_complex[size / 2 + 1]
    void* product;
    void* forward;               // fftw_plan
    void* backward;
};

// One window against one reference.
CorrelationPeak FindBestLag(const float* window, size_t windowLength, const float* reference,
                            size_t referenceLength, size_t excludeRadius);

// Where a recording lined up with the track at one moment.
struct OffsetSample {
    double recordSeconds;   // middle of the compared window
    double offsetSeconds;   // recording time minus track time
    double correlation;
};

// One play of the track found in the recording: from its first sound to
// its last, with the offsets along it and what its loudness shows.
struct TrackPlay {
    double recordStart = 0.0;     // first sound, in recording seconds
    double silenceBefore = 0.0;   // silence right before it (at most 2 s)
    double recordEnd = 0.0;       // end of the last sound
    double trackStart = 0.0;      // track time heard at recordStart
    double matchValue = 0.0;      // the first alignment's correlation
    double matchRunnerUp = 0.0;   // and the best one elsewhere in the track
    std::vector<OffsetSample> offsets;
    double rate = 1.0;            // track seconds per recording second
    double offsetSpreadMs = 0.0;  // largest distance from the straight fit
    double largestStepMs = 0.0;   // largest change between two windows
    int gaps = 0;                 // silences of 10 ms or more where the track sounds
    double longestGapMs = 0.0;
    int silentBlocks20Ms = 0;     // 20 ms blocks silent where the track sounds
};

// Everything found in one recording.
struct HeardReport {
    double trackFirstSound = 0.0;   // seconds into the track
    double trackSeconds = 0.0;
    std::vector<TrackPlay> plays;
    std::vector<double> unmatchedSound;  // recording seconds of sound that is no part of the track
};

// Finds every play of `track` in `recording` (same rate).
HeardReport FindTrackPlays(const MonoSignal& track, const MonoSignal& recording);

// One line per play, for people.
std::string DescribePlay(const TrackPlay& play, int number, double trackFirstSound);
