// The 1024-point real FFT behind the spectrum request, tuned for the one
// size the library needs: the 1024 real samples are packed as 512 complex
// values (even samples real, odd samples imaginary), transformed by a
// 512-point radix-2 FFT over split real/imaginary arrays with precomputed
// twiddles, and separated into the real signal's spectrum afterwards.
//
// Why our own: the show makes about three hundred requests a frame, and a
// general-purpose FFT spends most of its time on bookkeeping for sizes we
// never use. Every loop below runs over contiguous arrays of fixed length so
// that the compiler turns it into vector code (SSE2 on both x86 targets);
// the file is built with -O3 for that reason (see CMakeLists.txt).
#include "soundlib/magnitude_fft.h"

#include <cmath>
#include <cstring>

namespace {

enum { HALF = SPECTRUM_FFT_SIZE / 2, LOG2_HALF = 9 };

// Constant tables, built once on first use.
struct SpectrumTables {
    // Hann window (periodic) times the 16-bit to float scale 1/32768.
    alignas(16) float window[SPECTRUM_FFT_SIZE];
    // The same window without the 16-bit scale, for float input.
    alignas(16) float floatWindow[SPECTRUM_FFT_SIZE];
    // Bit reversal of 9-bit indices: the load order of the radix-2 FFT.
    uint16_t bitReverse[HALF];
    // Twiddles of the stage whose butterflies span h: entries h .. 2h-1
    // hold exp(-i pi j / h) for j = 0 .. h-1.
    alignas(16) float twiddleRe[HALF];
    alignas(16) float twiddleIm[HALF];
    // exp(-2 pi i k / 1024), k = 0 .. 511: separates the packed spectrum.
    alignas(16) float splitRe[HALF];
    alignas(16) float splitIm[HALF];
};

// Fills the tables in double precision, then rounds once.
SpectrumTables BuildSpectrumTables()
{
    SpectrumTables t;
    const double pi = 3.14159265358979323846;
    for (int n = 0; n < SPECTRUM_FFT_SIZE; ++n) {
        double hann = 0.5 - 0.5 * std::cos(2.0 * pi * n / SPECTRUM_FFT_SIZE);
        t.window[n] = (float)(hann / 32768.0);
        t.floatWindow[n] = (float)hann;
    }
    for (int i = 0; i < HALF; ++i) {
        int r = 0;
        for (int b = 0; b < LOG2_HALF; ++b)
            r |= ((i >> b) & 1) << (LOG2_HALF - 1 - b);
        t.bitReverse[i] = (uint16_t)r;
    }
    t.twiddleRe[0] = 1.0f;
    t.twiddleIm[0] = 0.0f;
    for (int h = 1; h < HALF; h *= 2) {
        for (int j = 0; j < h; ++j) {
            t.twiddleRe[h + j] = (float)std::cos(pi * j / h);
            t.twiddleIm[h + j] = (float)-std::sin(pi * j / h);
        }
    }
    for (int k = 0; k < HALF; ++k) {
        t.splitRe[k] = (float)std::cos(2.0 * pi * k / SPECTRUM_FFT_SIZE);
        t.splitIm[k] = (float)-std::sin(2.0 * pi * k / SPECTRUM_FFT_SIZE);
    }
    return t;
}

// The tables; the first call builds them (thread-safe static initialisation).
const SpectrumTables& GetSpectrumTables()
{
    static const SpectrumTables tables = BuildSpectrumTables();
    return tables;
}

// Loads the windowed samples as 512 complex values in bit-reversed order and
// runs the first two radix-2 stages (twiddles 1 and -i: additions only).
void LoadFirstStages(const SpectrumTables& t, const float* mono, float* re, float* im)
{
    for (int b = 0; b < HALF; b += 4) {
        int i0 = t.bitReverse[b], i1 = t.bitReverse[b + 1];
        int i2 = t.bitReverse[b + 2], i3 = t.bitReverse[b + 3];
        float ar0 = mono[2 * i0], ai0 = mono[2 * i0 + 1];
        float ar1 = mono[2 * i1], ai1 = mono[2 * i1 + 1];
        float ar2 = mono[2 * i2], ai2 = mono[2 * i2 + 1];
        float ar3 = mono[2 * i3], ai3 = mono[2 * i3 + 1];
        float sr0 = ar0 + ar1, si0 = ai0 + ai1, dr0 = ar0 - ar1, di0 = ai0 - ai1;
        float sr1 = ar2 + ar3, si1 = ai2 + ai3, dr1 = ar2 - ar3, di1 = ai2 - ai3;
        re[b] = sr0 + sr1;
        im[b] = si0 + si1;
        re[b + 2] = sr0 - sr1;
        im[b + 2] = si0 - si1;
        // (-i) * (dr1 + i di1) = di1 - i dr1
        re[b + 1] = dr0 + di1;
        im[b + 1] = di0 - dr1;
        re[b + 3] = dr0 - di1;
        im[b + 3] = di0 + dr1;
    }
}

// Four floats processed together; GCC's vector extension, so every stage
// runs in vector registers on every target (SSE2 on x86) without intrinsics.
typedef float Vec4 __attribute__((vector_size(16)));

// One radix-2 stage whose butterflies span h (h >= 4, so runs of whole
// vectors on 16-byte aligned arrays).
void RunStage(const SpectrumTables& t, int h, float* re, float* im)
{
    const Vec4* wr = (const Vec4*)(t.twiddleRe + h);
    const Vec4* wi = (const Vec4*)(t.twiddleIm + h);
    const int hv = h / 4;
    for (int g = 0; g < HALF; g += 2 * h) {
        Vec4* ar = (Vec4*)(re + g);
        Vec4* ai = (Vec4*)(im + g);
        Vec4* br = (Vec4*)(re + g + h);
        Vec4* bi = (Vec4*)(im + g + h);
        for (int j = 0; j < hv; ++j) {
            Vec4 tr = br[j] * wr[j] - bi[j] * wi[j];
            Vec4 ti = br[j] * wi[j] + bi[j] * wr[j];
            Vec4 xr = ar[j], xi = ai[j];
            br[j] = xr - tr;
            bi[j] = xi - ti;
            ar[j] = xr + tr;
            ai[j] = xi + ti;
        }
    }
}

// Two radix-2 stages at once (spans h and 2h) over quarters a, b, c, d of
// each group of 4h: half the loads and stores of two single stages. The
// second stage's twiddle for the b-d pair is the a-c twiddle times -i.
void RunStagePair(const SpectrumTables& t, int h, float* re, float* im)
{
    const Vec4* w1r = (const Vec4*)(t.twiddleRe + h);
    const Vec4* w1i = (const Vec4*)(t.twiddleIm + h);
    const Vec4* w2r = (const Vec4*)(t.twiddleRe + 2 * h);
    const Vec4* w2i = (const Vec4*)(t.twiddleIm + 2 * h);
    const int hv = h / 4;
    for (int g = 0; g < HALF; g += 4 * h) {
        Vec4* ar = (Vec4*)(re + g);
        Vec4* ai = (Vec4*)(im + g);
        Vec4* br = ar + hv;
        Vec4* bi = ai + hv;
        Vec4* cr = ar + 2 * hv;
        Vec4* ci = ai + 2 * hv;
        Vec4* dr = ar + 3 * hv;
        Vec4* di = ai + 3 * hv;
        for (int j = 0; j < hv; ++j) {
            // first stage: (a, b) and (c, d) with w1
            Vec4 tbr = br[j] * w1r[j] - bi[j] * w1i[j];
            Vec4 tbi = br[j] * w1i[j] + bi[j] * w1r[j];
            Vec4 tdr = dr[j] * w1r[j] - di[j] * w1i[j];
            Vec4 tdi = dr[j] * w1i[j] + di[j] * w1r[j];
            Vec4 a1r = ar[j] + tbr, a1i = ai[j] + tbi;
            Vec4 b1r = ar[j] - tbr, b1i = ai[j] - tbi;
            Vec4 c1r = cr[j] + tdr, c1i = ci[j] + tdi;
            Vec4 d1r = cr[j] - tdr, d1i = ci[j] - tdi;
            // second stage: (a, c) with w2, (b, d) with -i w2
            Vec4 tcr = c1r * w2r[j] - c1i * w2i[j];
            Vec4 tci = c1r * w2i[j] + c1i * w2r[j];
            Vec4 ur = d1r * w2r[j] - d1i * w2i[j];
            Vec4 ui = d1r * w2i[j] + d1i * w2r[j];
            ar[j] = a1r + tcr;
            ai[j] = a1i + tci;
            cr[j] = a1r - tcr;
            ci[j] = a1i - tci;
            br[j] = b1r + ui;
            bi[j] = b1i - ur;
            dr[j] = b1r - ui;
            di[j] = b1i + ur;
        }
    }
}

// Separates the packed transform Z into the real signal's X_0 .. X_511 and
// writes |X_k| * 2 / 1024. With Zc = conj(Z[512 - k]):
//   2 X_k = (Z_k + Zc) - i W^k (Z_k - Zc),   W = exp(-2 pi i / 1024).
void WriteMagnitudes(const SpectrumTables& t, const float* re, const float* im, float* out)
{
    // The partner index 512 - k runs backwards; reverse copies keep the main
    // loop contiguous (index 0 pairs with itself).
    alignas(16) float cr[HALF];
    alignas(16) float ci[HALF];
    cr[0] = re[0];
    ci[0] = im[0];
    for (int k = 1; k < HALF; ++k) {
        cr[k] = re[HALF - k];
        ci[k] = im[HALF - k];
    }
    const float scale = 1.0f / SPECTRUM_FFT_SIZE;
    for (int k = 0; k < HALF; ++k) {
        float er = re[k] + cr[k];        // Z_k + conj(Z_{512-k})
        float ei = im[k] - ci[k];
        float dr = re[k] - cr[k];        // Z_k - conj(Z_{512-k})
        float di = im[k] + ci[k];
        float orr = di, oi = -dr;        // -i times the difference
        float xr = er + t.splitRe[k] * orr - t.splitIm[k] * oi;
        float xi = ei + t.splitRe[k] * oi + t.splitIm[k] * orr;
        out[k] = std::sqrt(xr * xr + xi * xi) * scale;
    }
}

// The FFT proper on windowed mono samples.
void TransformWindowed(const SpectrumTables& t, const float* mono, float* out)
{
    alignas(16) float re[HALF];
    alignas(16) float im[HALF];
    LoadFirstStages(t, mono, re, im);
    // Spans 4 and 8, 16 and 32, 64 and 128, then 256 alone.
    for (int h = 4; h < HALF / 2; h *= 4)
        RunStagePair(t, h, re, im);
    RunStage(t, HALF / 2, re, im);
    WriteMagnitudes(t, re, im, out);
}

} // namespace

// The 16-bit path: mono mix and window in one pass, then the FFT.
void ComputeSpectrum1024(const int16_t* pcm, uint32_t frames, uint32_t channels, float* out)
{
    const SpectrumTables& t = GetSpectrumTables();
    alignas(16) float mono[SPECTRUM_FFT_SIZE];
    int n = frames < (uint32_t)SPECTRUM_FFT_SIZE ? (int)frames : SPECTRUM_FFT_SIZE;
    if (channels == 2) {
        for (int i = 0; i < n; ++i)
            mono[i] = ((float)pcm[2 * i] + (float)pcm[2 * i + 1]) * (0.5f * t.window[i]);
    } else if (channels == 1) {
        for (int i = 0; i < n; ++i)
            mono[i] = (float)pcm[i] * t.window[i];
    } else {
        const float average = 1.0f / (float)channels;
        for (int i = 0; i < n; ++i) {
            float sum = 0.0f;
            for (uint32_t c = 0; c < channels; ++c)
                sum += (float)pcm[i * channels + c];
            mono[i] = sum * average * t.window[i];
        }
    }
    for (int i = n; i < SPECTRUM_FFT_SIZE; ++i)
        mono[i] = 0.0f;
    TransformWindowed(t, mono, out);
}

// The float path, for callers that already hold mono samples.
void ComputeFloatSpectrum1024(const float* mono, float* out)
{
    const SpectrumTables& t = GetSpectrumTables();
    alignas(16) float windowed[SPECTRUM_FFT_SIZE];
    for (int i = 0; i < SPECTRUM_FFT_SIZE; ++i)
        windowed[i] = mono[i] * t.floatWindow[i];
    TransformWindowed(t, windowed, out);
}
