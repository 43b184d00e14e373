// The signals of the sound checks: the track decoded with stb_vorbis, the
// recording read from the sound server's raw output, and the normalised
// cross-correlation (FFTW) that finds where one lies inside the other.
#include "heard_audio.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#define STB_VORBIS_HEADER_ONLY
#include "stb_vorbis.h"

bool DecodeOggMono(const char* path, MonoSignal* signal)
{
    int channels = 0, rate = 0;
    short* samples = nullptr;
    const int frames = stb_vorbis_decode_filename(path, &channels, &rate, &samples);
    if (frames <= 0 || channels <= 0) {
        free(samples);
        return false;
    }
    signal->rate = rate;
    signal->channels = channels;
    signal->samples.assign(static_cast<size_t>(frames), 0.0f);
    for (int i = 0; i < frames; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += samples[static_cast<size_t>(i) * channels + c];
        signal->samples[i] = sum / (32768.0f * channels);
    }
    free(samples);
    return true;
}

bool ReadRawMono16(const char* path, int rate, MonoSignal* signal)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    signal->rate = rate;
    signal->channels = 1;
    signal->samples.clear();
    unsigned char bytes[8192];
    size_t got;
    while ((got = fread(bytes, 1, sizeof bytes, file)) >= 2) {
        for (size_t i = 0; i + 1 < got; i += 2) {
            const int16_t value = static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8));
            signal->samples.push_back(value / 32768.0f);
        }
    }
    fclose(file);
    return true;
}

ReferenceCorrelator::ReferenceCorrelator(const float* reference, size_t referenceLength)
    : length(referenceLength), prefix(referenceLength + 1, 0.0)
{
    // Circular correlation of a zero-padded window with the reference is
    // exact for every lag that keeps the window inside the reference.
    size = 1;
    while (size < referenceLength)
        size <<= 1;
    const size_t bins = size / 2 + 1;
    real = static_cast<double*>(fftw_malloc(sizeof(double) * size));
    referenceSpectrum = fftw_malloc(sizeof(fftw_complex) * bins);
    product = fftw_malloc(sizeof(fftw_complex) * bins);
    fftw_complex* spectrum = static_cast<fftw_complex*>(referenceSpectrum);
    fftw_complex* scratch = static_cast<fftw_complex*>(product);
    forward = fftw_plan_dft_r2c_1d(static_cast<int>(size), real, scratch, FFTW_ESTIMATE);
    backward = fftw_plan_dft_c2r_1d(static_cast<int>(size), scratch, real, FFTW_ESTIMATE);
    std::fill(real, real + size, 0.0);
    for (size_t i = 0; i < referenceLength; ++i) {
        real[i] = reference[i];
        prefix[i + 1] = prefix[i] + static_cast<double>(reference[i]) * reference[i];
    }
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forward), real, spectrum);
}

ReferenceCorrelator::~ReferenceCorrelator()
{
    fftw_destroy_plan(static_cast<fftw_plan>(forward));
    fftw_destroy_plan(static_cast<fftw_plan>(backward));
    fftw_free(real);
    fftw_free(referenceSpectrum);
    fftw_free(product);
}

CorrelationPeak ReferenceCorrelator::Find(const float* window, size_t windowLength, size_t excludeRadius)
{
    CorrelationPeak peak;
    if (windowLength == 0 || length < windowLength)
        return peak;
    const size_t bins = size / 2 + 1;
    fftw_complex* spectrum = static_cast<fftw_complex*>(referenceSpectrum);
    fftw_complex* scratch = static_cast<fftw_complex*>(product);
    double windowEnergy = 0.0;
    std::fill(real, real + size, 0.0);
    for (size_t i = 0; i < windowLength; ++i) {
        real[i] = window[i];
        windowEnergy += static_cast<double>(window[i]) * window[i];
    }
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forward), real, scratch);
    // conj(W) * R gives sum_i w[i] r[i + k].
    for (size_t k = 0; k < bins; ++k) {
        const double a = scratch[k][0], b = -scratch[k][1];
        const double c = spectrum[k][0], d = spectrum[k][1];
        scratch[k][0] = a * c - b * d;
        scratch[k][1] = a * d + b * c;
    }
    fftw_execute_dft_c2r(static_cast<fftw_plan>(backward), scratch, real);

    const size_t lags = length - windowLength + 1;
    std::vector<double> value(lags, 0.0);
    size_t best = 0;
    for (size_t k = 0; k < lags; ++k) {
        const double energy = (prefix[k + windowLength] - prefix[k]) * windowEnergy;
        value[k] = energy > 1e-12 ? real[k] / static_cast<double>(size) / std::sqrt(energy) : 0.0;
        if (value[k] > value[best])
            best = k;
    }
    peak.value = value[best];
    peak.lag = static_cast<double>(best);
    if (best > 0 && best + 1 < lags) {
        // A parabola through the peak and its neighbours places it between samples.
        const double left = value[best - 1], right = value[best + 1];
        const double curve = left - 2.0 * value[best] + right;
        if (curve < 0.0)
            peak.lag += std::clamp(0.5 * (left - right) / curve, -0.5, 0.5);
    }
    for (size_t k = 0; k < lags; ++k) {
        const size_t distance = k > best ? k - best : best - k;
        if (distance > excludeRadius)
            peak.runnerUp = std::max(peak.runnerUp, value[k]);
    }
    return peak;
}

CorrelationPeak FindBestLag(const float* window, size_t windowLength, const float* reference,
                            size_t referenceLength, size_t excludeRadius)
{
    ReferenceCorrelator correlator(reference, referenceLength);
    return correlator.Find(window, windowLength, excludeRadius);
}
