// The Windows output backend of the sound library: the waveOut device of
// winmm, fed from a thread of our own.
//
// A ring of SOUND_BUFFER_COUNT buffers is queued on the default wave device.
// The device signals an event whenever it finishes a buffer; the feeding
// thread, at time-critical priority, then refills every finished buffer with
// the mix and queues it again. The mix runs under a critical section, which
// is also the lock the library takes while it changes the playing streams.
// Nothing is called from inside the driver's own callback, so the driver's
// lock rules do not apply.
#include "soundlib/sound_output.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>

namespace {

// 4 x 2048 frames: about 190 ms of sound queued at 44100 Hz.
constexpr int SOUND_BUFFER_COUNT = 4;
constexpr uint32_t SOUND_BUFFER_FRAMES = 2048;
constexpr int SOUND_CHANNELS = 2;

// The open device and its feeding thread.
struct WaveOutDevice {
    HWAVEOUT device;
    HANDLE bufferDone;      // set by the device after each buffer, and by Close
    HANDLE feeder;
    volatile LONG stopping; // 1 while Close waits for the feeder to leave
    SoundMixFunction mix;
    CRITICAL_SECTION mixLock;
    WAVEHDR headers[SOUND_BUFFER_COUNT];
    int16_t samples[SOUND_BUFFER_COUNT][SOUND_BUFFER_FRAMES * SOUND_CHANNELS];
};

WaveOutDevice s_waveOut;
bool s_waveOutOpen = false;
bool s_mixLockReady = false;

// Mixes into one buffer and hands it to the device.
void FillAndQueueBuffer(int index)
{
    WAVEHDR& header = s_waveOut.headers[index];
    EnterCriticalSection(&s_waveOut.mixLock);
    s_waveOut.mix(s_waveOut.samples[index], SOUND_BUFFER_FRAMES);
    LeaveCriticalSection(&s_waveOut.mixLock);
    header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
    waveOutWrite(s_waveOut.device, &header, sizeof header);
}

// The feeding thread: refills each buffer the device has finished until
// Close asks it to stop.
DWORD WINAPI FeedWaveOut(LPVOID)
{
    for (;;) {
        WaitForSingleObject(s_waveOut.bufferDone, INFINITE);
        if (InterlockedCompareExchange(&s_waveOut.stopping, 0, 0))
            return 0;
        for (int i = 0; i < SOUND_BUFFER_COUNT; ++i) {
            if (s_waveOut.headers[i].dwFlags & WHDR_DONE)
                FillAndQueueBuffer(i);
        }
    }
}

// Stops the device and lets it go: reset hands every queued buffer back, so
// they can be unprepared, then the device and its event are closed.
void CloseWaveDevice()
{
    waveOutReset(s_waveOut.device);
    for (int i = 0; i < SOUND_BUFFER_COUNT; ++i)
        waveOutUnprepareHeader(s_waveOut.device, &s_waveOut.headers[i], sizeof(WAVEHDR));
    waveOutClose(s_waveOut.device);
    CloseHandle(s_waveOut.bufferDone);
    s_waveOut.bufferDone = nullptr;
}

}  // namespace

bool OpenDeviceOutput(uint32_t rate, SoundMixFunction mix)
{
    if (s_waveOutOpen || !mix)
        return false;
    if (!s_mixLockReady) {
        InitializeCriticalSection(&s_waveOut.mixLock);
        s_mixLockReady = true;
    }
    s_waveOut.mix = mix;
    s_waveOut.stopping = 0;
    s_waveOut.bufferDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!s_waveOut.bufferDone)
        return false;

    WAVEFORMATEX format;
    memset(&format, 0, sizeof format);
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = SOUND_CHANNELS;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = SOUND_CHANNELS * 2;
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    if (waveOutOpen(&s_waveOut.device, WAVE_MAPPER, &format,
                    reinterpret_cast<DWORD_PTR>(s_waveOut.bufferDone), 0, CALLBACK_EVENT)
        != MMSYSERR_NOERROR) {
        CloseHandle(s_waveOut.bufferDone);
        s_waveOut.bufferDone = nullptr;
        return false;
    }

    // Prime the device with a full ring before the thread takes over.
    for (int i = 0; i < SOUND_BUFFER_COUNT; ++i) {
        WAVEHDR& header = s_waveOut.headers[i];
        memset(&header, 0, sizeof header);
        header.lpData = reinterpret_cast<LPSTR>(s_waveOut.samples[i]);
        header.dwBufferLength = sizeof s_waveOut.samples[i];
        waveOutPrepareHeader(s_waveOut.device, &header, sizeof header);
    }
    for (int i = 0; i < SOUND_BUFFER_COUNT; ++i)
        FillAndQueueBuffer(i);

    // The show's own loop draws without pause on every core it gets, at
    // normal priority; the feeder, which sleeps between buffers and works
    // briefly, must win the processor as soon as a buffer comes back, or
    // the ring runs dry and the sound breaks up.
    s_waveOut.feeder = CreateThread(nullptr, 0, FeedWaveOut, nullptr, CREATE_SUSPENDED, nullptr);
    if (s_waveOut.feeder) {
        SetThreadPriority(s_waveOut.feeder, THREAD_PRIORITY_TIME_CRITICAL);
        ResumeThread(s_waveOut.feeder);
    }
    if (!s_waveOut.feeder) {
        CloseWaveDevice();
        return false;
    }
    s_waveOutOpen = true;
    return true;
}

void CloseDeviceOutput()
{
    if (!s_waveOutOpen)
        return;
    InterlockedExchange(&s_waveOut.stopping, 1);
    SetEvent(s_waveOut.bufferDone);
    WaitForSingleObject(s_waveOut.feeder, INFINITE);
    CloseHandle(s_waveOut.feeder);
    s_waveOut.feeder = nullptr;
    CloseWaveDevice();
    s_waveOutOpen = false;
}

uint32_t GetDeviceOutputLatency()
{
    // When a buffer is mixed, the rest of the ring is still queued ahead.
    return (SOUND_BUFFER_COUNT - 1) * SOUND_BUFFER_FRAMES;
}

void LockDeviceOutput()
{
    if (s_mixLockReady)
        EnterCriticalSection(&s_waveOut.mixLock);
}

void UnlockDeviceOutput()
{
    if (s_mixLockReady)
        LeaveCriticalSection(&s_waveOut.mixLock);
}
