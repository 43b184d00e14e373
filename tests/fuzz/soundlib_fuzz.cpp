// Fuzz target of the sound library, through its public interface only:
// arbitrary bytes opened from memory on the "no sound" device as a played
// stream (played, positioned, asked for spectra, stopped, resumed) and as a
// decoding stream (read, positioned, asked for spectra), then freed.
//
// Before the bytes go in, every page that can be found in them is given its
// correct CRC, as a crafted file would have: otherwise nearly every mutation
// would stop at the CRC check and the headers and the decoder behind it
// would never be reached. (Damaged CRCs are the broken-file tests' part.)
#include <cstddef>
#include <cstdint>
#include <vector>

#include "soundlib/bass.h"
#include "tests/soundlib/ogg_page_seal.h"

namespace {

// Most raw bytes one decoding stream is read for (about 6 s of stereo), so
// that one input stays quick however long its audio claims to be.
const DWORD MAX_READ_BYTES = 1u << 20;

// Asks for the spectrum at byte `position` and reads the position back.
void RequestSpectrumAt(HSTREAM stream, QWORD position)
{
    float spectrum[512];
    BASS_ChannelSetPosition(stream, position);
    BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT1024);
    BASS_ChannelGetPosition(stream);
}

// Positions worth a request in a stream of `length` bytes: both ends, the
// middle, the last frame, and past the end.
void VisitPositions(HSTREAM stream, QWORD length)
{
    const QWORD spots[] = {0, length / 2, length / 3 * 2, length >= 4 ? length - 4 : 0, length, length + 4096, 4096};
    for (QWORD spot : spots)
        RequestSpectrumAt(stream, spot);
}

void ExercisePlayedStream(const std::vector<uint8_t>& bytes)
{
    HSTREAM stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, (DWORD)bytes.size(), 0);
    if (!stream)
        return;
    BASS_ChannelPlay(stream, TRUE);
    QWORD length = BASS_ChannelGetLength(stream);
    VisitPositions(stream, length);
    BASS_ChannelIsActive(stream);
    BASS_ChannelStop(stream);
    BASS_ChannelPlay(stream, FALSE);
    RequestSpectrumAt(stream, length / 4);
    BASS_StreamFree(stream);
}

void ExerciseDecodingStream(const std::vector<uint8_t>& bytes)
{
    HSTREAM stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, (DWORD)bytes.size(), BASS_STREAM_DECODE);
    if (!stream)
        return;
    static int16_t samples[16384];
    DWORD total = 0;
    while (total < MAX_READ_BYTES) {
        DWORD got = BASS_ChannelGetData(stream, samples, sizeof(samples));
        if (got == (DWORD)-1 || got == 0)
            break;
        total += got;
    }
    QWORD length = BASS_ChannelGetLength(stream);
    VisitPositions(stream, length);
    BASS_ChannelSetPosition(stream, length / 5);
    BASS_ChannelGetData(stream, samples, 4096);
    BASS_ChannelIsActive(stream);
    BASS_StreamFree(stream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool deviceOpen = BASS_Init(0, 44100, 0, nullptr, nullptr) != 0;
    if (!deviceOpen || size == 0 || size > 0x7FFFFFFFu)
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    SealEveryOggPage(bytes);
    ExercisePlayedStream(bytes);
    ExerciseDecodingStream(bytes);
    return 0;
}
