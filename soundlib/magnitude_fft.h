// The spectrum of the sound library: 512 magnitudes of a 1024-sample,
// Hann-windowed real FFT of the mono mix of 16-bit interleaved samples.
//
// Scale: bin k = |X_k| * 2 / 1024 with the window applied, where a sample
// value of 32768 is 1.0; a full-scale sine centred on a bin reads 0.5 there,
// silence reads 0. Bin 0 is DC, bin k is k * rate / 1024 Hz.
// Pure computation on the caller's thread: no allocation, no shared state
// but the constant tables built on first use.
#pragma once

#include <cstdint>

enum { SPECTRUM_FFT_SIZE = 1024, SPECTRUM_BINS = 512 };

// Writes SPECTRUM_BINS magnitudes to `out` for the SPECTRUM_FFT_SIZE frames
// starting at `pcm` (`channels` interleaved 16-bit samples per frame, the
// channels averaged). Only the first `frames` frames exist; the rest of the
// window is taken as silence (the end of a stream).
void ComputeSpectrum1024(const int16_t* pcm, uint32_t frames, uint32_t channels, float* out);

// Writes SPECTRUM_BINS magnitudes to `out` for SPECTRUM_FFT_SIZE mono float
// samples (full scale 1.0) at `mono`, windowed here. Same scale as above.
void ComputeFloatSpectrum1024(const float* mono, float* out);
