// The spectrum's FFT against a direct DFT in double precision: the scale
// (a full-scale sine centred on a bin reads 0.5, silence 0), two tones, the
// mono mix of the channels and the silence past the end of a stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "soundlib/magnitude_fft.h"

namespace {

const double PI = 3.14159265358979323846;

// |X_k| * 2 / 1024 of the Hann-windowed mono mix, straight from the sums.
std::vector<double> DirectSpectrum(const std::vector<int16_t>& pcm, int frames, int channels)
{
    std::vector<double> mono(SPECTRUM_FFT_SIZE, 0.0);
    for (int n = 0; n < frames && n < SPECTRUM_FFT_SIZE; ++n) {
        double sum = 0.0;
        for (int c = 0; c < channels; ++c)
            sum += pcm[n * channels + c];
        double hann = 0.5 - 0.5 * std::cos(2.0 * PI * n / SPECTRUM_FFT_SIZE);
        mono[n] = sum / channels / 32768.0 * hann;
    }
    std::vector<double> magnitudes(SPECTRUM_BINS);
    for (int k = 0; k < SPECTRUM_BINS; ++k) {
        double re = 0.0, im = 0.0;
        for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n) {
            re += mono[n] * std::cos(2.0 * PI * k * n / SPECTRUM_FFT_SIZE);
            im -= mono[n] * std::sin(2.0 * PI * k * n / SPECTRUM_FFT_SIZE);
        }
        magnitudes[k] = std::sqrt(re * re + im * im) * 2.0 / SPECTRUM_FFT_SIZE;
    }
    return magnitudes;
}

// Sines given in bins (cycles per 1024 frames) and full-scale amplitudes;
// `channelGain` scales each channel.
std::vector<int16_t> MakeTones(const std::vector<std::pair<double, double>>& tones,
                               const std::vector<double>& channelGain)
{
    int channels = (int)channelGain.size();
    std::vector<int16_t> pcm(SPECTRUM_FFT_SIZE * channels);
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n) {
        double v = 0.0;
        for (auto& tone : tones)
            v += tone.second * std::sin(2.0 * PI * tone.first * n / SPECTRUM_FFT_SIZE);
        for (int c = 0; c < channels; ++c)
            pcm[n * channels + c] = (int16_t)std::lround(std::fmax(-32768.0, std::fmin(32767.0, v * channelGain[c] * 32767.0)));
    }
    return pcm;
}

// Our spectrum of `frames` frames, every bin compared with the direct DFT.
void ExpectMatchesDirect(const std::vector<int16_t>& pcm, int frames, int channels, std::vector<float>* ours = nullptr)
{
    std::vector<float> spectrum(SPECTRUM_BINS, -1.0f);
    ComputeSpectrum1024(pcm.data(), (uint32_t)frames, (uint32_t)channels, spectrum.data());
    std::vector<double> direct = DirectSpectrum(pcm, frames, channels);
    for (int k = 0; k < SPECTRUM_BINS; ++k) {
        ASSERT_NEAR(spectrum[k], direct[k], 2e-6) << "bin " << k;
    }
    if (ours)
        *ours = spectrum;
}

TEST(SpectrumFft, FullScaleSineCentredOnABinReadsHalf)
{
    std::vector<float> spectrum;
    ExpectMatchesDirect(MakeTones({{64.0, 1.0}}, {1.0, 1.0}), SPECTRUM_FFT_SIZE, 2, &spectrum);
    EXPECT_NEAR(spectrum[64], 0.5, 1e-4);
    // The Hann window spreads a centred sine over exactly three bins.
    EXPECT_NEAR(spectrum[63], 0.25, 1e-4);
    EXPECT_NEAR(spectrum[65], 0.25, 1e-4);
    for (int k = 0; k < SPECTRUM_BINS; ++k) {
        if (k < 63 || k > 65) {
            EXPECT_LT(spectrum[k], 1e-4) << "bin " << k;
        }
    }
}

TEST(SpectrumFft, SilenceReadsExactlyZero)
{
    std::vector<int16_t> silence(SPECTRUM_FFT_SIZE * 2, 0);
    std::vector<float> spectrum(SPECTRUM_BINS, -1.0f);
    ComputeSpectrum1024(silence.data(), SPECTRUM_FFT_SIZE, 2, spectrum.data());
    for (int k = 0; k < SPECTRUM_BINS; ++k)
        EXPECT_EQ(spectrum[k], 0.0f) << "bin " << k;
}

TEST(SpectrumFft, TwoTonesOnAndOffBinsMatchTheDirectDft)
{
    std::vector<float> spectrum;
    ExpectMatchesDirect(MakeTones({{20.0, 0.5}, {300.5, 0.25}}, {1.0}), SPECTRUM_FFT_SIZE, 1, &spectrum);
    EXPECT_NEAR(spectrum[20], 0.25, 1e-3);
    EXPECT_GT(spectrum[300], 0.05);
    EXPECT_GT(spectrum[301], 0.05);
}

TEST(SpectrumFft, DcAndTheHighestBinsAreInPlace)
{
    // A constant (DC) and a tone just below the top bin.
    std::vector<int16_t> pcm(SPECTRUM_FFT_SIZE);
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
        pcm[n] = (int16_t)(8192 + 8000 * std::sin(2.0 * PI * 510.0 * n / SPECTRUM_FFT_SIZE));
    std::vector<float> spectrum;
    ExpectMatchesDirect(pcm, SPECTRUM_FFT_SIZE, 1, &spectrum);
    EXPECT_NEAR(spectrum[0], 0.25, 1e-3);   // 0.25 full scale times the window's mean 0.5, times 2
    EXPECT_GT(spectrum[510], 0.1);
}

TEST(SpectrumFft, ChannelsAreAveragedToMono)
{
    // Opposite channels cancel; three channels average.
    std::vector<float> spectrum;
    ExpectMatchesDirect(MakeTones({{100.0, 0.8}}, {1.0, -1.0}), SPECTRUM_FFT_SIZE, 2, &spectrum);
    EXPECT_LT(spectrum[100], 1e-4);
    ExpectMatchesDirect(MakeTones({{100.0, 0.9}}, {1.0, 0.5, 0.0}), SPECTRUM_FFT_SIZE, 3, &spectrum);
    EXPECT_NEAR(spectrum[100], 0.45 * 0.5, 1e-3);
}

TEST(SpectrumFft, FramesPastTheEndCountAsSilence)
{
    std::vector<int16_t> pcm = MakeTones({{37.0, 0.7}, {200.0, 0.2}}, {1.0, 0.3});
    for (int frames : {1000, 512, 1, 0}) {
        // Poison what lies past the end: it must not be read.
        std::vector<int16_t> cut = pcm;
        for (size_t i = (size_t)frames * 2; i < cut.size(); ++i)
            cut[i] = 30000;
        std::vector<float> spectrum(SPECTRUM_BINS, -1.0f);
        ComputeSpectrum1024(cut.data(), (uint32_t)frames, 2, spectrum.data());
        std::vector<double> direct = DirectSpectrum(pcm, frames, 2);
        for (int k = 0; k < SPECTRUM_BINS; ++k) {
            ASSERT_NEAR(spectrum[k], direct[k], 2e-6) << frames << " frames, bin " << k;
        }
    }
}

TEST(SpectrumFft, FloatInputHasTheSameScale)
{
    std::vector<float> mono(SPECTRUM_FFT_SIZE);
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
        mono[n] = (float)std::sin(2.0 * PI * 64.0 * n / SPECTRUM_FFT_SIZE);
    std::vector<float> spectrum(SPECTRUM_BINS);
    ComputeFloatSpectrum1024(mono.data(), spectrum.data());
    EXPECT_NEAR(spectrum[64], 0.5, 1e-5);
    EXPECT_NEAR(spectrum[63], 0.25, 1e-5);
    EXPECT_LT(spectrum[10], 1e-5);
}

} // namespace
