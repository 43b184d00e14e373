// Writes the tests' Ogg Vorbis files: libvorbisenc's variable bit rate mode,
// one logical stream, pages flushed after the headers so that a file cut
// anywhere after them still starts with complete headers.
#include "ogg_test_file.h"
#include "ogg_page_seal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include <vorbis/vorbisenc.h>

TestAudio MakeSineAudio(double seconds, int channels, int rate, double frequency, double amplitude)
{
    TestAudio audio;
    audio.channels = channels;
    audio.rate = rate;
    audio.samples.assign((size_t)(seconds * rate) * channels, 0.0f);
    AddSine(audio, frequency, amplitude);
    return audio;
}

void AddSine(TestAudio& audio, double frequency, double amplitude)
{
    const double pi = 3.14159265358979323846;
    size_t frames = audio.samples.size() / audio.channels;
    for (size_t i = 0; i < frames; ++i) {
        float v = (float)(amplitude * std::sin(2.0 * pi * frequency * (double)i / audio.rate));
        for (int c = 0; c < audio.channels; ++c)
            audio.samples[i * audio.channels + c] += v;
    }
}

void AddNoise(TestAudio& audio, double amplitude, uint32_t seed)
{
    for (float& sample : audio.samples) {
        seed = seed * 1664525u + 1013904223u;
        sample += (float)(((double)(seed >> 8) / 16777216.0 - 0.5) * amplitude);
    }
}

// Writes every page the stream has ready (all of them when `flush`).
static void WritePages(ogg_stream_state& stream, FILE* file, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        std::fwrite(page.header, 1, page.header_len, file);
        std::fwrite(page.body, 1, page.body_len, file);
    }
}

// Moves every finished block through the encoder into pages.
static void DrainEncoder(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, FILE* file)
{
    ogg_packet packet;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            WritePages(stream, file, false);
        }
    }
}

bool WriteOggVorbisFile(const std::string& path, const TestAudio& audio, float quality)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, audio.channels, audio.rate, quality) != 0) {
        vorbis_info_clear(&info);
        std::fclose(file);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x48414C56);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    WritePages(stream, file, true);

    const size_t frames = audio.samples.size() / audio.channels;
    const size_t chunk = 4096;
    for (size_t done = 0; done < frames; done += chunk) {
        size_t n = frames - done < chunk ? frames - done : chunk;
        float** buffer = vorbis_analysis_buffer(&dsp, (int)n);
        for (size_t i = 0; i < n; ++i) {
            for (int c = 0; c < audio.channels; ++c)
                buffer[c][i] = audio.samples[(done + i) * audio.channels + c];
        }
        vorbis_analysis_wrote(&dsp, (int)n);
        DrainEncoder(dsp, block, stream, file);
    }
    vorbis_analysis_wrote(&dsp, 0);
    DrainEncoder(dsp, block, stream, file);
    WritePages(stream, file, true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return std::fclose(file) == 0;
}

std::vector<size_t> ListOggPages(const std::vector<unsigned char>& bytes)
{
    std::vector<size_t> pages;
    size_t offset = 0, size;
    while ((size = MeasureOggPage(bytes, offset)) != 0) {
        pages.push_back(offset);
        offset += size;
    }
    return pages;
}

std::string MakeScratchFolder(const std::string& name)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
        ("halvane-sound-" + std::to_string((long)getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

void RemoveScratchFolder(const std::string& folder)
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

bool WriteBytes(const std::string& path, const unsigned char* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}
