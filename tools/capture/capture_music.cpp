// Positions the show's music for each rendered frame (see capture_music.h).
#include "tools/capture/capture_music.h"

#include "audio/music.h"
#include "platform/message_box.h"
#include "platform/regular_file.h"
#include "soundlib/bass.h"
#include "timeline/show_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// The open stream's format and length; the library's 2.3 interface has no
// call that reports the format, so it is read from the file itself.
static struct {
    bool deviceOpen = false;
    int channels = 2;
    int rate = 44100;
    uint64_t length = 0;
    HSTREAM sound = 0;             // the video's sound, read from the start
    uint64_t soundFrames = 0;      // sample frames it has given
    bool soundEnded = false;
    std::vector<int16_t> decoded;  // its samples in the file's channels
} s_captureMusic;

// Little-endian 32-bit value at p.
static uint32_t ReadLittle32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool ReadVorbisFormat(const char* path, int* channels, int* rate)
{
    int64_t fileSize = 0;
    FILE* file = OpenRegularFile(path, &fileSize);
    if (!file)
        return false;
    // The first Ogg page: a 27-byte header, its segment table, then the
    // first packet, which must be the Vorbis identification header.
    unsigned char page[27 + 255 + 30];
    size_t size = std::fread(page, 1, sizeof page, file);
    std::fclose(file);
    if (size < 27 || std::memcmp(page, "OggS", 4) != 0)
        return false;
    size_t packet = 27 + page[26];
    if (size < packet + 16 || page[packet] != 1 || std::memcmp(page + packet + 1, "vorbis", 6) != 0)
        return false;
    int c = page[packet + 11];
    uint32_t r = ReadLittle32(page + packet + 12);
    if (c < 1 || r < 1000 || r > 384000)
        return false;
    *channels = c;
    *rate = static_cast<int>(r);
    return true;
}

uint64_t GetMusicBytePosition(double musicSeconds, int rate, int channels)
{
    if (!(musicSeconds > 0.0))
        return 0;
    uint64_t sampleFrames = static_cast<uint64_t>(std::floor(musicSeconds * rate));
    return sampleFrames * 2u * static_cast<uint64_t>(channels);
}

// Says that the music failed as the show says it: the failure's own message,
// then the one the show gives when playback cannot start, both with no
// caption and OK only.
static bool ReportMusicFailure(const char* text)
{
    ShowMessageBox(text, nullptr, MESSAGE_OK);
    ShowMessageBox("Music play error", nullptr, MESSAGE_OK);
    return false;
}

bool OpenCaptureMusic()
{
    g_musicStream = 0;
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr))
        return ReportMusicFailure("Bass init error");
    s_captureMusic.deviceOpen = true;
    HSTREAM stream = BASS_StreamCreateFile(FALSE, MUSIC_FILE, 0, 0, BASS_STREAM_DECODE);
    if (stream == 0) {
        NoteMessageFile(MUSIC_FILE);
        return ReportMusicFailure("Music opening error");
    }
    s_captureMusic.channels = 2;
    s_captureMusic.rate = 44100;
    if (!ReadVorbisFormat(MUSIC_FILE, &s_captureMusic.channels, &s_captureMusic.rate))
        std::fprintf(stderr, "halvane-capture: cannot read the music's format; taking 44.1 kHz stereo\n");
    s_captureMusic.length = BASS_ChannelGetLength(stream);
    g_musicStream = stream;
    return true;
}

void PositionCaptureMusic()
{
    if (g_musicStream == 0)
        return;
    // The music starts when the demo clock reads 0.3 (the float the show starts at).
    double musicSeconds = static_cast<double>(g_demoTime) - static_cast<double>(0.3f);
    uint64_t position = GetMusicBytePosition(musicSeconds, s_captureMusic.rate, s_captureMusic.channels);
    // Past the end the stream stays at its end, where a real run hears nothing.
    if (s_captureMusic.length != ~0ull && position > s_captureMusic.length)
        position = s_captureMusic.length;
    if (!BASS_ChannelSetPosition(g_musicStream, position)) {
        // The audio ends sooner than the file said (a damaged file): from
        // now on its real end is the end.
        s_captureMusic.length = BASS_ChannelGetLength(g_musicStream);
        BASS_ChannelSetPosition(g_musicStream, position < s_captureMusic.length ? position : s_captureMusic.length);
    }
}

void CloseCaptureMusic()
{
    if (g_musicStream != 0)
        BASS_StreamFree(g_musicStream);
    g_musicStream = 0;
    if (s_captureMusic.sound != 0)
        BASS_StreamFree(s_captureMusic.sound);
    s_captureMusic.sound = 0;
    if (s_captureMusic.deviceOpen)
        BASS_Free();
    s_captureMusic.deviceOpen = false;
}

bool OpenCaptureSound()
{
    if (g_musicStream != 0 && s_captureMusic.sound == 0)
        s_captureMusic.sound = BASS_StreamCreateFile(FALSE, MUSIC_FILE, 0, 0, BASS_STREAM_DECODE);
    s_captureMusic.soundFrames = 0;
    s_captureMusic.soundEnded = false;
    return s_captureMusic.sound != 0;
}

int GetCaptureSoundRate()
{
    return s_captureMusic.sound != 0 ? s_captureMusic.rate : 44100;
}

void ReadCaptureSound(int16_t* stereo, int frames)
{
    const int channels = s_captureMusic.channels;
    const size_t frameBytes = 2u * static_cast<size_t>(channels);
    size_t got = 0;
    if (s_captureMusic.sound != 0 && !s_captureMusic.soundEnded) {
        if (s_captureMusic.decoded.size() < static_cast<size_t>(frames) * channels)
            s_captureMusic.decoded.resize(static_cast<size_t>(frames) * channels);
        char* bytes = reinterpret_cast<char*>(s_captureMusic.decoded.data());
        const size_t wanted = frames * frameBytes;
        while (got < wanted) {
            DWORD read = BASS_ChannelGetData(s_captureMusic.sound, bytes + got, static_cast<DWORD>(wanted - got));
            if (read == static_cast<DWORD>(-1) || read == 0) {
                // The end of what the library decodes: a real run falls
                // silent here.
                s_captureMusic.soundEnded = true;
                break;
            }
            got += read;
        }
        got /= frameBytes;
        s_captureMusic.soundFrames += got;
    }
    const int16_t* decoded = s_captureMusic.decoded.data();
    for (size_t k = 0; k < got; ++k) {
        stereo[2 * k] = decoded[k * channels];
        stereo[2 * k + 1] = decoded[k * channels + (channels > 1 ? 1 : 0)];
    }
    std::fill(stereo + 2 * got, stereo + 2 * static_cast<size_t>(frames), int16_t{ 0 });
}

double GetCaptureSoundSeconds()
{
    return static_cast<double>(s_captureMusic.soundFrames) / s_captureMusic.rate;
}

bool HasCaptureSoundEnded()
{
    return s_captureMusic.soundEnded;
}
