// Decoding and level measurement of the track (see music_measure.h).
#include "tools/content/music/music_measure.h"

#include <cmath>
#include <complex>
#include <cstdio>

#include <vorbis/vorbisfile.h>

#include "soundlib/bass.h"

bool DecodeOggFile(const char* path, DecodedTrack* track)
{
    OggVorbis_File file;
    if (ov_fopen(path, &file) != 0)
        return false;
    vorbis_info* info = ov_info(&file, -1);
    track->channels = info->channels;
    track->rate = (int)info->rate;
    track->samples.clear();
    bool ok = true;
    int section = 0;
    for (;;) {
        float** pcm = nullptr;
        long frames = ov_read_float(&file, &pcm, 4096, &section);
        if (frames == 0)
            break;
        if (frames < 0) {
            ok = false;
            break;
        }
        for (long i = 0; i < frames; ++i)
            for (int c = 0; c < track->channels; ++c)
                track->samples.push_back(pcm[c][i]);
    }
    ov_clear(&file);
    return ok;
}

std::vector<float> MixToMono(const DecodedTrack& track)
{
    std::vector<float> mono;
    if (track.channels <= 0)
        return mono;
    size_t frames = track.samples.size() / (size_t)track.channels;
    mono.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < track.channels; ++c)
            sum += track.samples[i * (size_t)track.channels + (size_t)c];
        mono[i] = sum / (float)track.channels;
    }
    return mono;
}

// In-place radix-2 FFT of LEVEL_FFT_SIZE points.
static void TransformInPlace(std::complex<double>* x)
{
    const int N = LEVEL_FFT_SIZE;
    for (int i = 1, j = 0; i < N; ++i) {
        int bit = N >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (int length = 2; length <= N; length <<= 1) {
        double angle = -2.0 * 3.14159265358979323846 / length;
        std::complex<double> step(std::cos(angle), std::sin(angle));
        for (int i = 0; i < N; i += length) {
            std::complex<double> w(1.0, 0.0);
            for (int k = 0; k < length / 2; ++k) {
                std::complex<double> a = x[i + k], b = x[i + k + length / 2] * w;
                x[i + k] = a + b;
                x[i + k + length / 2] = a - b;
                w *= step;
            }
        }
    }
}

void MeasureSpectrum(const std::vector<float>& mono, long position, float* bins)
{
    const int N = LEVEL_FFT_SIZE;
    std::complex<double> x[LEVEL_FFT_SIZE];
    for (int n = 0; n < N; ++n) {
        long i = position + n;
        double sample = (i >= 0 && (size_t)i < mono.size()) ? mono[(size_t)i] : 0.0;
        double hann = 0.5 * (1.0 - std::cos(2.0 * 3.14159265358979323846 * n / N));
        x[n] = std::complex<double>(sample * hann, 0.0);
    }
    TransformInPlace(x);
    for (int k = 0; k < LEVEL_BINS; ++k)
        bins[k] = (float)(std::abs(x[k]) * 2.0 / N);
}

float MeasureLevel(const std::vector<float>& mono, long position)
{
    float bins[LEVEL_BINS];
    MeasureSpectrum(mono, position, bins);
    float level = 0.0f;
    for (int k = 0; k < LEVEL_BINS; ++k)
        level += bins[k];
    return level;
}

double DemoTimeOfFrame(int frame)
{
    return 0.3 + (double)frame / SHOW_FPS;
}

int FrameAtDemoTime(double demoTime)
{
    return (int)std::floor((demoTime - 0.3) * SHOW_FPS + 0.5);
}

int ShowFrameCount()
{
    return FrameAtDemoTime(180.0) + 1;
}

bool MeasureLibraryLevels(const char* path, std::vector<float>* levels)
{
    // Device 0 is "no sound": enough for a decoding stream.
    bool ownDevice = BASS_Init(0, 44100, 0, nullptr, nullptr) != 0;
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path, 0, 0, BASS_STREAM_DECODE);
    if (stream == 0) {
        if (ownDevice) BASS_Free();
        return false;
    }
    // A request past the end leaves the frame as it was, as in the show.
    float frame[LEVEL_BINS] = {};
    int count = ShowFrameCount();
    levels->assign((size_t)count, 0.0f);
    for (int k = 0; k < count; ++k) {
        QWORD position = (QWORD)std::floor((double)k / SHOW_FPS * 44100.0 + 0.5) * 4u;
        if (BASS_ChannelSetPosition(stream, position))
            BASS_ChannelGetData(stream, frame, BASS_DATA_FFT1024);
        float level = 0.0f;
        for (int i = 0; i < LEVEL_BINS; ++i)
            level += frame[i];
        (*levels)[(size_t)k] = level;
    }
    BASS_StreamFree(stream);
    if (ownDevice) BASS_Free();
    return true;
}

MusicFigures MeasureTrack(const DecodedTrack& track, const char* path)
{
    MusicFigures figures;
    figures.rate = track.rate;
    figures.channels = track.channels;
    if (track.channels <= 0 || track.rate <= 0)
        return figures;
    size_t frames = track.samples.size() / (size_t)track.channels;
    figures.seconds = (double)frames / track.rate;
    size_t tailFrom = frames > (size_t)track.rate ? frames - (size_t)track.rate : 0;
    for (size_t i = 0; i < track.samples.size(); ++i) {
        float a = std::fabs(track.samples[i]);
        if (a > figures.peak) figures.peak = a;
        if (i / (size_t)track.channels >= tailFrom && a > figures.tailPeak) figures.tailPeak = a;
    }
    int count = ShowFrameCount();
    figures.fromLibrary = path && MeasureLibraryLevels(path, &figures.levels);
    if (!figures.fromLibrary) {
        std::vector<float> mono = MixToMono(track);
        figures.levels.resize((size_t)count);
        for (int k = 0; k < count; ++k) {
            long position = (long)std::floor((double)k / SHOW_FPS * track.rate + 0.5);
            figures.levels[(size_t)k] = MeasureLevel(mono, position);
        }
    }
    // The sections' first frames, by whole frame numbers so no bound is lost
    // to rounding.
    int beatStart = FrameAtDemoTime(2.0), sphereStart = FrameAtDemoTime(24.0);
    int sphereEnd = FrameAtDemoTime(62.5);
    for (int k = 0; k < count; ++k) {
        float level = figures.levels[(size_t)k];
        if (k >= beatStart && k < sphereStart) {
            ++figures.beatFrames;
            if (level > SQUARE_LEVEL) ++figures.beatFramesLoud;
        } else if (k >= sphereStart && k < sphereEnd) {
            ++figures.sphereFrames;
            float lift = level / 3.0f;
            if (lift >= SPHERE_LIFT_MIN && lift <= SPHERE_LIFT_MAX) ++figures.sphereFramesInRange;
        }
    }
    return figures;
}
