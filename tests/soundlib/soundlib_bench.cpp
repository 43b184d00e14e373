// Benchmark of the sound library, run by hand (not a test):
//   soundlib_bench [music.ogg] [--benchmark_* options]
// First the open of a three-minute file (the given one, or one made here):
// its time and the memory the stream holds. Then the median time of one
// spectrum request (BASS_ChannelGetData with BASS_DATA_FFT1024), of one
// SampleSpectrum, and, in the same run, the same work (window, 1024-point
// real FFT, 512 magnitudes) done with FFTW's single-precision r2c plan and
// with kissfft's header-only real transform, as references.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include <fftw3.h>
#include <kissfft.hh>

#include "audio/music.h"
#include "ogg_test_file.h"
#include "soundlib/bass.h"
#include "soundlib/magnitude_fft.h"

namespace {

const int RATE = 44100;
const double PI = 3.14159265358979323846;

// A decoding stream of a few seconds of tones, opened once for the benchmarks.
HSTREAM s_benchStream = 0;
// 1024 mono samples (full scale 1.0), the float benchmarks' input.
std::vector<float> s_mono;

// Two tones and a little noise, like music enough for an FFT.
TestAudio MakeBenchAudio(double seconds)
{
    TestAudio audio = MakeSineAudio(seconds, 2, RATE, 220.0, 0.3);
    AddSine(audio, 1375.0, 0.2);
    uint32_t state = 1;
    for (float& s : audio.samples) {
        state = state * 1664525u + 1013904223u;
        s += ((float)(state >> 8) / 16777216.0f - 0.5f) * 0.1f;
    }
    return audio;
}

// Opens `path` as a played stream on the "no sound" device and prints how
// long that took and how much decoded audio the stream holds.
void ReportOpen(const std::string& path)
{
    auto start = std::chrono::steady_clock::now();
    std::clock_t cpuStart = std::clock();
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    double cpuSeconds = (double)(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!stream) {
        std::printf("open %s: failed, error %d\n", path.c_str(), BASS_ErrorGetCode());
        return;
    }
    QWORD bytes = BASS_ChannelGetLength(stream);
    std::printf("open %s: %.3f s (%.3f s of CPU); the stream holds %.1f MB of 16-bit audio (%.1f s of stereo 44.1 kHz)\n",
                path.c_str(), seconds, cpuSeconds, bytes / 1e6, bytes / 176400.0);
    BASS_StreamFree(stream);
}

// One spectrum request on a decoding stream at a set position.
void BM_Fft1024Request(benchmark::State& state)
{
    float spectrum[SPECTRUM_BINS];
    QWORD position = 0;
    for (auto _ : state) {
        BASS_ChannelSetPosition(s_benchStream, position);
        BASS_ChannelGetData(s_benchStream, spectrum, BASS_DATA_FFT1024);
        benchmark::DoNotOptimize(spectrum);
        position = (position + 4096) % (4 * 176400);
    }
}
BENCHMARK(BM_Fft1024Request)->Repetitions(9)->ReportAggregatesOnly(true);

// One SampleSpectrum: the request plus the single-precision sum.
void BM_SampleSpectrum(benchmark::State& state)
{
    g_musicStream = s_benchStream;
    BASS_ChannelSetPosition(s_benchStream, 176400);
    for (auto _ : state)
        benchmark::DoNotOptimize(SampleSpectrum());
}
BENCHMARK(BM_SampleSpectrum)->Repetitions(9)->ReportAggregatesOnly(true);

// Our FFT on float input: the same work as the references below.
void BM_OwnFftFloat(benchmark::State& state)
{
    float spectrum[SPECTRUM_BINS];
    for (auto _ : state) {
        ComputeFloatSpectrum1024(s_mono.data(), spectrum);
        benchmark::DoNotOptimize(spectrum);
    }
}
BENCHMARK(BM_OwnFftFloat)->Repetitions(9)->ReportAggregatesOnly(true);

// FFTW's r2c plan: window, transform, magnitudes.
void BM_FftwReference(benchmark::State& state)
{
    float* input = fftwf_alloc_real(SPECTRUM_FFT_SIZE);
    fftwf_complex* output = fftwf_alloc_complex(SPECTRUM_FFT_SIZE / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(SPECTRUM_FFT_SIZE, input, output, FFTW_MEASURE);
    std::vector<float> window(SPECTRUM_FFT_SIZE);
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
        window[n] = (float)(0.5 - 0.5 * std::cos(2.0 * PI * n / SPECTRUM_FFT_SIZE));
    float spectrum[SPECTRUM_BINS];
    const float scale = 2.0f / SPECTRUM_FFT_SIZE;
    for (auto _ : state) {
        for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
            input[n] = s_mono[n] * window[n];
        fftwf_execute(plan);
        for (int k = 0; k < SPECTRUM_BINS; ++k)
            spectrum[k] = std::sqrt(output[k][0] * output[k][0] + output[k][1] * output[k][1]) * scale;
        benchmark::DoNotOptimize(spectrum);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(output);
    fftwf_free(input);
}
BENCHMARK(BM_FftwReference)->Repetitions(9)->ReportAggregatesOnly(true);

// kissfft's header-only real transform (512-point complex inside).
void BM_KissFftReference(benchmark::State& state)
{
    kissfft<float> fft(SPECTRUM_FFT_SIZE / 2, false);
    std::vector<float> window(SPECTRUM_FFT_SIZE), input(SPECTRUM_FFT_SIZE);
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
        window[n] = (float)(0.5 - 0.5 * std::cos(2.0 * PI * n / SPECTRUM_FFT_SIZE));
    std::vector<std::complex<float>> output(SPECTRUM_FFT_SIZE / 2);
    float spectrum[SPECTRUM_BINS];
    const float scale = 2.0f / SPECTRUM_FFT_SIZE;
    for (auto _ : state) {
        for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
            input[n] = s_mono[n] * window[n];
        fft.transform_real(input.data(), output.data());
        spectrum[0] = std::abs(output[0].real()) * scale;   // DC (Nyquist sits in its imaginary part)
        for (int k = 1; k < SPECTRUM_BINS; ++k)
            spectrum[k] = std::abs(output[k]) * scale;
        benchmark::DoNotOptimize(spectrum);
    }
}
BENCHMARK(BM_KissFftReference)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!BASS_Init(0, RATE, 0, nullptr, nullptr)) {
        std::printf("BASS_Init failed: %d\n", BASS_ErrorGetCode());
        return 1;
    }
    std::string folder = MakeScratchFolder("bench");
    std::string threeMinutes = argc > 1 ? argv[1] : folder + "/three-minutes.ogg";
    if (argc <= 1) {
        std::printf("encoding a three-minute file (once per run)...\n");
        WriteOggVorbisFile(threeMinutes, MakeBenchAudio(180.0), 0.5f);
    }
    ReportOpen(threeMinutes);

    std::string shortFile = folder + "/bench.ogg";
    WriteOggVorbisFile(shortFile, MakeBenchAudio(5.0), 0.5f);
    s_benchStream = BASS_StreamCreateFile(FALSE, shortFile.c_str(), 0, 0, BASS_STREAM_DECODE);
    TestAudio mono = MakeBenchAudio(0.1);
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
        s_mono.push_back(0.5f * (mono.samples[2 * n] + mono.samples[2 * n + 1]));

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BASS_Free();
    RemoveScratchFolder(folder);
    return 0;
}
