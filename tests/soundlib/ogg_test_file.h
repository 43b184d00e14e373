// Test audio for the sound library's tests and benchmark: tones encoded to
// Ogg Vorbis with libvorbisenc, written into a scratch folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved float samples, full scale 1.0.
struct TestAudio {
    std::vector<float> samples;
    int channels;
    int rate;
};

// `seconds` of a sine of `frequency` Hz and `amplitude` in every channel.
TestAudio MakeSineAudio(double seconds, int channels, int rate, double frequency, double amplitude);

// Adds a sine to every channel of `audio`.
void AddSine(TestAudio& audio, double frequency, double amplitude);

// Adds white noise of `amplitude` (peak to peak) to every sample, the same
// for the same `seed`.
void AddNoise(TestAudio& audio, double amplitude, uint32_t seed);

// Encodes `audio` as an Ogg Vorbis file at `path` (quality -0.1 .. 1.0);
// returns false when the file cannot be written.
bool WriteOggVorbisFile(const std::string& path, const TestAudio& audio, float quality = 0.6f);

// Offsets of the whole Ogg pages (ogg_page_seal.h reseals them) in `bytes`, in order, up to the first
// thing that is not one.
std::vector<size_t> ListOggPages(const std::vector<unsigned char>& bytes);

// A fresh empty folder for one test's files (under the system's temp dir),
// and its removal with everything in it.
std::string MakeScratchFolder(const std::string& name);
void RemoveScratchFolder(const std::string& folder);

// Reads or writes a whole file as bytes.
std::vector<unsigned char> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const unsigned char* data, size_t size);
