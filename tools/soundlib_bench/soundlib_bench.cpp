// Benchmark of the sound library, run by hand (not a test):
//   soundlib_bench [music.ogg] [--benchmark_* options]
// First, on a three-minute file (the given one, or one made here), medians
// of several runs, side by side: opening the file the way the library did
// before it streamed (read whole, checked, decoded whole) and opening it as
// the library does now, the memory each holds for a playing stream, and the
// first and later jumps of a stream. Then the median time of one spectrum
// request at a position the stream holds, of one SampleSpectrum, of setting
// the position a stream holds, of a jump to a new position, of one frame of
// the offline renderer (a step of 1/60 s and 300 requests), and, in the same
// run, the spectrum's work (window, 1024-point real FFT, 512 magnitudes) done
// by our FFT, FFTW's single-precision r2c plan and kissfft, as references.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <fftw3.h>
#include <kissfft.hh>
#include <malloc.h>

#include "audio/music.h"
#include "ogg_test_file.h"
#include "soundlib/bass.h"
#include "soundlib/magnitude_fft.h"
#include "soundlib/ogg_pages.h"

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_PUSHDATA_API
#define STB_VORBIS_NO_STDIO
#include "stb_vorbis.h"

namespace {

const int RATE = 44100;
const QWORD STEREO_SECOND = 176400;
const double PI = 3.14159265358979323846;
const int REPEATS = 7;

// The three-minute file, and a decoding stream of it for the benchmarks.
std::string s_threeMinutes;
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

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Bytes the process has allocated on the heap now.
double HeapBytes()
{
    struct mallinfo2 info = mallinfo2();
    return (double)info.uordblks + (double)info.hblkhd;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The open as it was before the library streamed: the file read whole,
// checked, and decoded whole into 16-bit samples, which the stream then
// kept. Returns the decoded frames (0 on failure).
uint64_t DecodeWholeFile(const std::string& path, std::vector<int16_t>* pcm)
{
    std::vector<unsigned char> bytes = ReadBytes(path);
    VorbisFormat format;
    OggPageChain chain;
    if (CheckVorbisHeaders(bytes.data(), bytes.size(), &format, &chain) != VORBIS_HEADERS_OK)
        return 0;
    stb_vorbis* decoder = stb_vorbis_open_memory(bytes.data(), (int)bytes.size(), nullptr, nullptr);
    if (!decoder)
        return 0;
    uint64_t frames = 0;
    pcm->clear();
    for (;;) {
        pcm->resize((size_t)(frames + 8192) * format.channels);
        int got = stb_vorbis_get_samples_short_interleaved(decoder, (int)format.channels,
                                                           pcm->data() + frames * format.channels, 8192 * (int)format.channels);
        if (got <= 0)
            break;
        frames += (uint64_t)got;
    }
    pcm->resize((size_t)frames * format.channels);
    pcm->shrink_to_fit();
    stb_vorbis_close(decoder);
    return frames;
}

// CPU seconds the process has used (all threads).
double CpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

// Wall and CPU times of repeated runs of one step.
struct StepTimes {
    std::vector<double> wall, cpu;
    void Add(double wallSeconds, double cpuSeconds)
    {
        wall.push_back(wallSeconds);
        cpu.push_back(cpuSeconds);
    }
    // "median wall ms (median CPU ms of CPU)"
    std::string Describe() const
    {
        char text[96];
        std::snprintf(text, sizeof text, "%8.2f ms (%7.2f ms of CPU)", Median(wall) * 1e3, Median(cpu) * 1e3);
        return text;
    }
};

// Times `work` once into `times`.
void TimeStep(StepTimes& times, const std::function<void()>& work)
{
    auto start = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    work();
    times.Add(Seconds(start), CpuSeconds() - cpu);
}

// Before and after, side by side, REPEATS times each: the open, the memory
// a playing stream holds (after it has been heard at 150 s and at 90 s, so
// that it has read most of its pages), and the first jump far ahead.
bool ReportStreaming(const std::string& path)
{
    StepTimes wholeOpen, streamOpen, firstJump;
    double wholeBytes = 0, streamBytes = 0;
    uint64_t wholeFrames = 0;
    for (int run = 0; run < REPEATS; ++run) {
        std::vector<int16_t> pcm;
        double heap = HeapBytes();
        TimeStep(wholeOpen, [&] { wholeFrames = DecodeWholeFile(path, &pcm); });
        wholeBytes = std::max(wholeBytes, HeapBytes() - heap);
        std::vector<int16_t>().swap(pcm);

        heap = HeapBytes();
        HSTREAM stream = 0;
        TimeStep(streamOpen, [&] { stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0); });
        BASS_ChannelPlay(stream, TRUE);
        float spectrum[SPECTRUM_BINS];
        TimeStep(firstJump, [&] {
            BASS_ChannelSetPosition(stream, 150 * STEREO_SECOND);
            BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024);
        });
        BASS_ChannelSetPosition(stream, 90 * STEREO_SECOND);
        BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024);
        streamBytes = std::max(streamBytes, HeapBytes() - heap);
        BASS_StreamFree(stream);
    }
    if (wholeFrames == 0) {
        std::printf("%s: cannot be decoded\n", path.c_str());
        return false;
    }
    std::printf("%s: %.1f s of audio; medians of %d runs, before and after in turn\n", path.c_str(),
                (double)wholeFrames / RATE, REPEATS);
    std::printf("  open, whole-file decode (before): %s; the stream holds %6.2f MB\n", wholeOpen.Describe().c_str(),
                wholeBytes / 1e6);
    std::printf("  open, streaming (now):            %s; a playing stream holds %5.2f MB\n", streamOpen.Describe().c_str(),
                streamBytes / 1e6);
    std::printf("  first jump to 150 s after the open (reads the pages up to there): %s\n", firstJump.Describe().c_str());
    return true;
}

// One spectrum request on a decoding stream at a position it holds.
void BM_SpectrumRequest(benchmark::State& state)
{
    float spectrum[SPECTRUM_BINS];
    BASS_ChannelSetPosition(s_benchStream, 60 * STEREO_SECOND);
    for (auto _ : state) {
        BASS_ChannelGetData(s_benchStream, spectrum, BASS_DATA_FFT1024);
        benchmark::DoNotOptimize(spectrum);
    }
}
BENCHMARK(BM_SpectrumRequest)->Repetitions(9)->ReportAggregatesOnly(true);

// One SampleSpectrum: the request plus the single-precision sum.
void BM_SampleSpectrum(benchmark::State& state)
{
    g_musicStream = s_benchStream;
    BASS_ChannelSetPosition(s_benchStream, 61 * STEREO_SECOND);
    for (auto _ : state)
        benchmark::DoNotOptimize(SampleSpectrum());
}
BENCHMARK(BM_SampleSpectrum)->Repetitions(9)->ReportAggregatesOnly(true);

// Setting the position the stream holds already (the renderer's frames
// often do): nothing to decode.
void BM_SetPositionHeld(benchmark::State& state)
{
    BASS_ChannelSetPosition(s_benchStream, 62 * STEREO_SECOND);
    for (auto _ : state)
        benchmark::DoNotOptimize(BASS_ChannelSetPosition(s_benchStream, 62 * STEREO_SECOND));
}
BENCHMARK(BM_SetPositionHeld)->Repetitions(9)->ReportAggregatesOnly(true);

// A jump to a new position, back and forth between two places far apart
// (pages already read once): the decoder restarts a page before and
// decodes up to the frame.
void BM_JumpToNewPosition(benchmark::State& state)
{
    QWORD spots[2] = {30 * STEREO_SECOND + 4 * 12345, 150 * STEREO_SECOND + 4 * 777};
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BASS_ChannelSetPosition(s_benchStream, spots[i]));
        i ^= 1;
    }
}
BENCHMARK(BM_JumpToNewPosition)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// One frame of the offline renderer: the position moves on by 1/60 s,
// then the scenes make 300 requests.
void BM_RendererFrame(benchmark::State& state)
{
    float spectrum[SPECTRUM_BINS];
    QWORD position = 10 * STEREO_SECOND;
    for (auto _ : state) {
        position += 735 * 4;
        if (position > 170 * STEREO_SECOND)
            position = 10 * STEREO_SECOND;
        BASS_ChannelSetPosition(s_benchStream, position);
        for (int i = 0; i < 300; ++i)
            BASS_ChannelGetData(s_benchStream, spectrum, BASS_DATA_FFT1024);
        benchmark::DoNotOptimize(spectrum);
    }
}
BENCHMARK(BM_RendererFrame)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

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
    s_threeMinutes = argc > 1 ? argv[1] : folder + "/three-minutes.ogg";
    if (argc <= 1) {
        std::printf("encoding a three-minute file (once per run)...\n");
        WriteOggVorbisFile(s_threeMinutes, MakeBenchAudio(180.0), 0.5f);
    }
    // Timing the spectrum of a stream that failed to open would time errors.
    if (!ReportStreaming(s_threeMinutes)) {
        BASS_Free();
        RemoveScratchFolder(folder);
        return 2;
    }

    s_benchStream = BASS_StreamCreateFile(FALSE, s_threeMinutes.c_str(), 0, 0, BASS_STREAM_DECODE);
    TestAudio mono = MakeBenchAudio(0.1);
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n)
        s_mono.push_back(0.5f * (mono.samples[2 * n] + mono.samples[2 * n + 1]));

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BASS_Free();
    RemoveScratchFolder(folder);
    return 0;
}
